// SPDX-License-Identifier: MIT
#include "converter/jfile_writer.h"

#include "base/bytes.h"
#include "converter/pdb_writer.h"

namespace rq::jfile {

namespace {

std::string fieldLabel(std::size_t index, const JFileField& field) {
    return "field " + std::to_string(index + 1) + " (\"" + field.name + "\")";
}

// The bytes the record takes; throws FormatError when it cannot be stored whole.
std::size_t encodedSize(const std::vector<JFileField>& fields,
                        const std::vector<std::string>& values) {
    if (values.size() > fields.size()) {
        throw FormatError("the record holds " + std::to_string(values.size()) +
                          " values, but the database has only " + std::to_string(fields.size()) +
                          " fields");
    }
    std::size_t size = 2 * fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view value = i < values.size() ? values[i] : std::string_view{};
        if (value.size() > kMaxValueLength) {
            throw FormatError(fieldLabel(i, fields[i]) + " holds " + std::to_string(value.size()) +
                              " bytes; JFile takes at most " + std::to_string(kMaxValueLength) +
                              " bytes a value");
        }
        if (value.find('\0') != std::string_view::npos) {
            throw FormatError(fieldLabel(i, fields[i]) +
                              " holds a zero byte, which a JFile value cannot hold");
        }
        size += value.size() + 1;
    }
    if (size > kPdbMaxRecordSize) {
        throw FormatError("the record would take " + std::to_string(size) +
                          " bytes; a Palm record takes at most " +
                          std::to_string(kPdbMaxRecordSize));
    }
    return size;
}

}  // namespace

bool isListSeparator(std::string_view text) {
    if (text.size() != 6) return false;
    const std::string_view kind = text.substr(0, 5);
    return kind == "popup" || kind == "deflt" || kind == "calv1" || kind == "calv2" ||
           kind == "flllt" || kind == "soort";
}

std::vector<std::string> fitPopupList(const std::vector<std::string>& items) {
    std::vector<std::string> fitted;
    std::size_t bytes = 0;
    for (const std::string& item : items) {
        if (fitted.size() == kMaxPopupItems) break;
        std::string cut = item.substr(0, std::min(item.find('\0'), kMaxPopupItemLength));
        if (isListSeparator(cut)) continue;
        const std::size_t stored = std::max<std::size_t>(cut.size(), 1) + 1;
        if (bytes + stored > kMaxPopupListBytes) break;
        bytes += stored;
        fitted.push_back(std::move(cut));
    }
    return fitted;
}

JFileWriter::JFileWriter(const JFileDatabase& layout) {
    layout_.name = layout.name;
    layout_.structureLocked = layout.structureLocked;
    layout_.showDataWidth = layout.showDataWidth;
    layout_.firstColumnToShow = layout.firstColumnToShow;
    layout_.fields = layout.fields;

    if (layout_.name.empty()) throw FormatError("the database name is empty");
    if (layout_.name.size() > kMaxDatabaseNameLength) {
        throw FormatError("the database name \"" + layout_.name + "\" is longer than " +
                          std::to_string(kMaxDatabaseNameLength) + " characters");
    }
    if (layout_.name.find('\0') != std::string::npos) {
        throw FormatError("the database name holds a zero byte");
    }
    if (layout_.fields.empty()) throw FormatError("there are no fields (the header line is empty)");
    if (layout_.fields.size() > kMaxFields) {
        throw FormatError("there are " + std::to_string(layout_.fields.size()) +
                          " fields; JFile takes at most " + std::to_string(kMaxFields));
    }
    for (std::size_t i = 0; i < layout_.fields.size(); ++i) {
        JFileField& f = layout_.fields[i];
        // A name is what maps the column back to its field, so it is never cut.
        if (f.name.empty()) throw FormatError("field " + std::to_string(i + 1) + " has no name");
        if (f.name.size() > kMaxFieldNameLength || f.name.find('\0') != std::string::npos) {
            throw FormatError(fieldLabel(i, f) + ": the name is longer than " +
                              std::to_string(kMaxFieldNameLength) +
                              " characters, which JFile cannot hold");
        }
        if (!isKnownFieldType(f.type)) {
            throw FormatError(fieldLabel(i, f) + " has the type " + std::to_string(f.type) +
                              ", which JFile does not know");
        }
        f.popupItems = fitPopupList(f.popupItems);
    }

    pdb_.name = layout_.name;
    pdb_.attributes = kPdbAttrBackup;
    pdb_.version = static_cast<std::uint16_t>(kVersion50Formatted | kVersionNormal |
                                              (layout_.structureLocked ? kVersionStructLock : 0));
    pdb_.type = kJFileType;
    pdb_.creator = kJFileCreator;
}

void JFileWriter::countRecord(const std::vector<std::string>& values) {
    if (entries_.size() == kPdbMaxRecords) {
        throw FormatError("a JFile database holds at most " + std::to_string(kPdbMaxRecords) +
                          " records");
    }
    const std::size_t size = encodedSize(layout_.fields, values);
    // Unique IDs 1, 2, 3...: 0 is reserved on the handheld.
    entries_.push_back({0, static_cast<std::uint32_t>(entries_.size() + 1), size});
}

void JFileWriter::addRecord(const std::vector<std::string>& values) {
    countRecord(values);
    records_ += encode(values);
}

std::string JFileWriter::encode(const std::vector<std::string>& values) const {
    const auto& fields = layout_.fields;
    std::string out;
    out.reserve(encodedSize(fields, values));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t length = i < values.size() ? values[i].size() : 0;
        putU16(out, static_cast<std::uint16_t>(length + 1));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i < values.size()) out += values[i];
        out.push_back('\0');
    }
    return out;
}

std::string JFileWriter::appInfo() const {
    const auto& fields = layout_.fields;
    std::string out;
    out.reserve(kAppInfoFixedSize + 64);
    for (std::size_t i = 0; i < kMaxFields; ++i) {
        putFixed(out, i < fields.size() ? std::string_view(fields[i].name) : "", kNameSlot);
    }
    for (std::size_t i = 0; i < kMaxFields; ++i) {
        putU16(out, i < fields.size() ? fields[i].type : kTypeString);
    }
    putU16(out, static_cast<std::uint16_t>(fields.size()));
    putU16(out, kAppInfoMarker);
    for (std::size_t i = 0; i < kMaxFields; ++i) {
        putU16(out, static_cast<std::uint16_t>(i < fields.size() ? fields[i].columnWidth : 80));
    }
    putU16(out, static_cast<std::uint16_t>(layout_.showDataWidth));
    out.append(5 * 2 + 2 * 16, '\0');  // saved sort, find and filter: none
    putU16(out, 0);                    // JFile 4 flags, unused by JFile 5
    putU16(out, static_cast<std::uint16_t>(layout_.firstColumnToShow));
    for (std::size_t i = 0; i < kMaxFields; ++i) {
        putU32(out, i < fields.size() ? fields[i].extraData : 0);
    }
    for (std::size_t i = 0; i < kMaxFields; ++i) {
        putU32(out, i < fields.size() ? fields[i].extraData2 : 0);
    }

    std::string chunk;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // An empty list would end the chunk early on reading, so it is not written at all.
        if (fields[i].popupItems.empty()) continue;
        std::string list = "popup";
        list.push_back(jfileFieldLetter(i));
        list.push_back('\0');
        for (const std::string& item : fields[i].popupItems) {
            list += item.empty() ? std::string(1, kBlankItem) : item;
            list.push_back('\0');
        }
        // The block must stay within one Palm chunk; later lists give way.
        if (out.size() + chunk.size() + list.size() + 1 > kPdbMaxRecordSize) break;
        chunk += list;
    }
    if (chunk.empty()) {
        out.append(4, '\0');
    } else {
        out += chunk;
        out.push_back('\0');
    }
    return out;
}

std::string JFileWriter::head(std::uint32_t palmNow) const {
    PdbDatabase db = pdb_;
    db.creationDate = palmNow;
    db.modificationDate = palmNow;
    db.lastBackupDate = 0;
    // The handheld hands out new record IDs from here on.
    db.uniqueIdSeed = static_cast<std::uint32_t>(entries_.size() + 1);
    db.appInfo = appInfo();
    return writePdbHead(db, entries_);
}

std::string JFileWriter::finish(std::uint32_t palmNow) {
    return head(palmNow) + records_;
}

std::string writeJFile5(const JFileDatabase& db, std::uint32_t palmNow) {
    JFileWriter writer(db);
    for (std::size_t i = 0; i < db.records.size(); ++i) {
        try {
            writer.addRecord(db.records[i]);
        } catch (const FormatError& e) {
            throw FormatError("record " + std::to_string(i + 1) + ": " + e.what());
        }
    }
    return writer.finish(palmNow);
}

}  // namespace rq::jfile
