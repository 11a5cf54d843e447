// SPDX-License-Identifier: MIT
#pragma once
// A JFile database as small as it can be and still whole, for the fakes of the converter: the
// CSV it stands for lies in its application block (so tests can tell what it was made from),
// and it holds one record of empty values per line after the CSV's header line, as many values
// as the header names. No dependencies: the fake converter programs include it too.

#include <string>

namespace rq::test {

inline std::string fakePalmDatabase(const std::string& csv) {
    std::size_t fields = 0;
    std::size_t records = 0;
    for (std::size_t at = 0, line = 0; at < csv.size(); ++line) {
        std::size_t end = csv.find('\n', at);
        if (end == std::string::npos) end = csv.size();
        const std::string text = csv.substr(at, end - at);
        if (line == 0) {
            fields = 1;
            for (const char c : text) fields += c == ',';
        } else if (!text.empty() && text != "\r") {
            ++records;
        }
        at = end + 1;
    }
    const auto put = [](std::string& out, std::size_t at, std::size_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[at + i] = static_cast<char>(value);
    };
    const std::size_t appInfo = 78 + 8 * records + 2;
    std::string pdb(appInfo, '\0');
    pdb.replace(0, 4, "fake");
    pdb.replace(60, 8, "JfD5JFi5");
    put(pdb, 52, appInfo, 4);
    put(pdb, 76, records, 2);
    pdb += csv;
    std::string record;
    for (std::size_t k = 0; k < fields; ++k) record += std::string("\0\1", 2);
    record += std::string(fields, '\0');
    for (std::size_t r = 0; r < records; ++r) {
        put(pdb, 78 + 8 * r, pdb.size(), 4);
        pdb += record;
    }
    return pdb;
}

}  // namespace rq::test
