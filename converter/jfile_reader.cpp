// SPDX-License-Identifier: MIT
#include "converter/jfile_reader.h"

#include "base/bytes.h"
#include "converter/jfile_writer.h"

namespace rq::jfile {

namespace {

std::string quoted(std::string_view code) {
    std::string out = "\"";
    for (char c : code) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(c);
        } else {
            const char* hex = "0123456789ABCDEF";
            out += "\\x";
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 0xF]);
        }
    }
    return out + "\"";
}

}  // namespace

JFileReader::JFileReader(std::string_view bytes) : JFileReader(bytes, bytes.size()) {}

JFileReader::JFileReader(std::string_view head, std::size_t fileSize)
    : pdb_(viewPdb(head, fileSize)) {
    const PdbDatabase& h = pdb_.header;
    if (h.type == kJFileType && h.creator == kJFileCreator) {
        layout_.format = JFileFormat::JFile5;
    } else if (h.type == "JfDb" && h.creator == "JFil") {
        layout_.format = JFileFormat::JFile4;
    } else if (h.type == "JbDb" && h.creator == "JBas") {
        layout_.format = JFileFormat::JFile23;
    } else {
        throw FormatError("the file is not a JFile database (type " + quoted(h.type) +
                          ", creator " + quoted(h.creator) + ")");
    }
    if (layout_.format == JFileFormat::JFile5 && (h.version & kVersionEncrypted)) {
        throw FormatError("the JFile database is encrypted; remove its password in JFile first");
    }
    layout_.name = h.name;
    layout_.creationDate = h.creationDate;
    layout_.modificationDate = h.modificationDate;
    readAppInfo();
}

void JFileReader::readAppInfo() {
    const bool old = layout_.format == JFileFormat::JFile23;
    const std::size_t slots = old ? kMaxFields23 : kMaxFields;
    const std::size_t fixedSize = old ? kAppInfoFixedSize23 : kAppInfoFixedSize;
    const std::string_view block = pdb_.appInfo;
    if (block.size() < fixedSize) {
        throw FormatError("the AppInfo block holds " + std::to_string(block.size()) +
                          " bytes, fewer than the " + std::to_string(fixedSize) +
                          " of a JFile database; the file is truncated or damaged");
    }
    ByteReader in(block, "the AppInfo block");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::string_view slot = in.take(kNameSlot);
        const std::size_t nul = slot.find('\0');
        if (nul == std::string_view::npos) {
            throw FormatError("the name of field " + std::to_string(i + 1) + " has no end");
        }
        names.emplace_back(slot.substr(0, nul));
    }
    std::vector<std::uint16_t> types;
    for (std::size_t i = 0; i < slots; ++i) types.push_back(in.u16());
    const std::size_t numFields = in.u16();
    const std::uint16_t marker = in.u16();
    if (numFields == 0 || numFields > slots) {
        throw FormatError("the AppInfo block gives " + std::to_string(numFields) +
                          " fields; a JFile database has 1 to " + std::to_string(slots));
    }
    const bool markerOk = marker == kAppInfoMarker || (old && marker == kAppInfoMarker23);
    if (!markerOk) {
        throw FormatError("the AppInfo block lacks JFile's marker (" + std::to_string(marker) +
                          " instead of " + std::to_string(kAppInfoMarker) +
                          "); the file is damaged or encrypted");
    }
    std::vector<std::int16_t> widths;
    for (std::size_t i = 0; i < slots; ++i) widths.push_back(in.i16());
    layout_.showDataWidth = in.i16();
    in.skip(5 * 2 + 2 * 16);  // saved sort, find and filter
    const std::uint16_t flags = in.u16();
    layout_.firstColumnToShow = in.i16();
    std::vector<std::uint32_t> extra(slots, 0), extra2(slots, 0);
    if (old) {
        in.skip(12);  // password
    } else {
        for (std::size_t i = 0; i < slots; ++i) extra[i] = in.u32();
        for (std::size_t i = 0; i < slots; ++i) extra2[i] = in.u32();
    }
    layout_.structureLocked = layout_.format == JFileFormat::JFile5
                                  ? (pdb_.header.version & kVersionStructLock) != 0
                                  : (flags & kFlagsStructLock) != 0;

    for (std::size_t i = 0; i < numFields; ++i) {
        JFileField f;
        f.name = names[i];
        f.type = types[i];
        f.columnWidth = widths[i];
        f.extraData = extra[i];
        f.extraData2 = extra2[i];
        layout_.fields.push_back(std::move(f));
    }

    // The lists: zero-terminated strings up to the first empty one.
    std::string_view rest = block.substr(in.position());
    JFileField* current = nullptr;
    while (!rest.empty()) {
        const std::size_t nul = rest.find('\0');
        if (nul == 0 || nul == std::string_view::npos) break;
        const std::string_view text = rest.substr(0, nul);
        rest.remove_prefix(nul + 1);
        if (isListSeparator(text)) {
            current = nullptr;
            if (text.substr(0, 5) == "popup") {
                const auto index = jfileFieldIndex(text[5]);
                if (index && *index < numFields) current = &layout_.fields[*index];
            }
            continue;
        }
        if (current) {
            current->popupItems.emplace_back(
                text == std::string_view(&kBlankItem, 1) ? std::string_view{} : text);
        }
    }
}

bool JFileReader::isDeleted(std::size_t index) const {
    return (pdb_.records.at(index).attributes & kRecAttrDelete) != 0;
}

std::vector<std::string> JFileReader::record(std::size_t index) const {
    return decode(index, pdb_.records.at(index).data);
}

std::vector<std::string> JFileReader::decode(std::size_t index, std::string_view data) const {
    const std::size_t n = layout_.fields.size();
    const std::string where = "record " + std::to_string(index + 1);
    std::vector<std::string> values;
    values.reserve(n);
    if (layout_.format == JFileFormat::JFile23) {
        // Values only, each ending in a zero byte.
        std::size_t pos = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t nul = data.find('\0', pos);
            if (nul == std::string_view::npos) {
                throw FormatError(where + " ends after " + std::to_string(i) + " of its " +
                                  std::to_string(n) + " fields");
            }
            values.emplace_back(data.substr(pos, nul - pos));
            pos = nul + 1;
        }
        if (pos != data.size()) {
            throw FormatError(where + " holds " + std::to_string(data.size() - pos) +
                              " bytes after its last field");
        }
        return values;
    }
    ByteReader in(data, where);
    std::vector<std::size_t> lengths;
    lengths.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t length = in.u16();
        if (length == 0) {
            throw FormatError(where + ": field " + std::to_string(i + 1) +
                              " has the length 0, which leaves no room for its end mark");
        }
        lengths.push_back(length);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view value = in.take(lengths[i]);
        if (value.back() != '\0' || value.find('\0') != value.size() - 1) {
            throw FormatError(where + ": the length of field " + std::to_string(i + 1) +
                              " does not match where its value ends");
        }
        values.emplace_back(value.substr(0, value.size() - 1));
    }
    if (in.left() != 0) {
        throw FormatError(where + " holds " + std::to_string(in.left()) +
                          " bytes after its last field");
    }
    return values;
}

JFileDatabase readJFile(std::string_view bytes) {
    JFileReader reader(bytes);
    JFileDatabase db = reader.layout();
    for (std::size_t i = 0; i < reader.recordCount(); ++i) {
        if (!reader.isDeleted(i)) db.records.push_back(reader.record(i));
    }
    return db;
}

}  // namespace rq::jfile
