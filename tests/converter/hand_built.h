// SPDX-License-Identifier: MIT
#pragma once
// Byte builders for tests that lay out Palm and JFile files by hand, field by field, as the
// format notes describe them, without the code under test.

#include <cstdint>
#include <string>
#include <vector>

namespace rq::jfile::test {

inline void be16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}
inline void be32(std::string& out, std::uint32_t v) {
    be16(out, v >> 16);
    be16(out, v & 0xFFFF);
}
inline std::string slot(const std::string& text, std::size_t size) {
    std::string s = text;
    s.resize(size, '\0');
    return s;
}

// A record database: header, list entries (attribute 0, IDs 1..n), two zero bytes, AppInfo,
// records.
inline std::string handPdb(const std::string& name, const std::string& type,
                           const std::string& creator, std::uint16_t version,
                           const std::string& appInfo, const std::vector<std::string>& records,
                           std::uint8_t recordAttributes = 0) {
    std::string out = slot(name, 32);
    be16(out, 0x0008);
    be16(out, version);
    for (int i = 0; i < 4; ++i) be32(out, 0);
    const std::uint32_t appOffset = static_cast<std::uint32_t>(78 + 8 * records.size() + 2);
    be32(out, appInfo.empty() ? 0 : appOffset);
    be32(out, 0);
    out += type + creator;
    be32(out, 0);
    be32(out, 0);
    be16(out, static_cast<unsigned>(records.size()));
    std::uint32_t offset = appOffset + static_cast<std::uint32_t>(appInfo.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        be32(out, offset);
        out.push_back(static_cast<char>(recordAttributes));
        out.push_back('\0');
        be16(out, static_cast<unsigned>(i + 1));
        offset += static_cast<std::uint32_t>(records[i].size());
    }
    be16(out, 0);
    out += appInfo;
    for (const auto& r : records) out += r;
    return out;
}

struct HandField {
    std::string name;
    unsigned type;
    int width;
};

// JFile 4/5 AppInfo (50 slots, marker 576, flags word as given) followed by `chunk`.
inline std::string handAppInfo45(const std::vector<HandField>& fields, unsigned flags,
                                 const std::string& chunk) {
    std::string out;
    for (std::size_t i = 0; i < 50; ++i) out += slot(i < fields.size() ? fields[i].name : "", 21);
    for (std::size_t i = 0; i < 50; ++i) be16(out, i < fields.size() ? fields[i].type : 1);
    be16(out, static_cast<unsigned>(fields.size()));
    be16(out, 576);
    for (std::size_t i = 0; i < 50; ++i)
        be16(out, static_cast<unsigned>(i < fields.size() ? fields[i].width : 80));
    be16(out, 110);             // data width
    out.append(10 + 32, '\0');  // sort, find, filter
    be16(out, flags);           // JFile 4 flags
    be16(out, 1);               // first column
    out.append(400, '\0');      // extra values
    return out + chunk;
}

// JFile 2/3 AppInfo (20 slots, marker given, 12-byte password) followed by `chunk`.
inline std::string handAppInfo23(const std::vector<HandField>& fields, unsigned marker,
                                 unsigned flags, const std::string& chunk) {
    std::string out;
    for (std::size_t i = 0; i < 20; ++i) out += slot(i < fields.size() ? fields[i].name : "", 21);
    for (std::size_t i = 0; i < 20; ++i) be16(out, i < fields.size() ? fields[i].type : 1);
    be16(out, static_cast<unsigned>(fields.size()));
    be16(out, marker);
    for (std::size_t i = 0; i < 20; ++i)
        be16(out, static_cast<unsigned>(i < fields.size() ? fields[i].width : 80));
    be16(out, 110);
    out.append(10 + 32, '\0');
    be16(out, flags);
    be16(out, 1);
    out.append(12, '\0');  // password
    return out + chunk;
}

// JFile 4/5 record: length words (value + 1), then the values with their zero bytes.
inline std::string handRecord45(const std::vector<std::string>& values) {
    std::string out;
    for (const auto& v : values) be16(out, static_cast<unsigned>(v.size() + 1));
    for (const auto& v : values) out += v + std::string(1, '\0');
    return out;
}

}  // namespace rq::jfile::test
