// SPDX-License-Identifier: MIT
#include "converter/pdb_writer.h"

#include "base/bytes.h"

namespace rq::jfile {

std::string writePdbHead(const PdbDatabase& db, const std::vector<PdbEntry>& entries) {
    if (db.name.empty()) throw FormatError("the database name is empty");
    if (db.name.size() >= kPdbNameSlot || db.name.find('\0') != std::string::npos) {
        throw FormatError("the database name \"" + db.name + "\" is longer than " +
                          std::to_string(kPdbNameSlot - 1) + " characters");
    }
    if (db.type.size() != kPdbTypeSize || db.creator.size() != kPdbTypeSize) {
        throw FormatError("type and creator must be four bytes each");
    }
    if (entries.size() > kPdbMaxRecords) {
        throw FormatError("the database would hold " + std::to_string(entries.size()) +
                          " records; a Palm database holds at most " +
                          std::to_string(kPdbMaxRecords));
    }

    const std::size_t count = entries.size();
    std::size_t offset = kPdbHeaderSize + kPdbEntrySize * count + kPdbGapSize;
    const std::uint32_t appInfoId = db.appInfo.empty() ? 0 : static_cast<std::uint32_t>(offset);
    offset += db.appInfo.size();
    const std::uint32_t sortInfoId = db.sortInfo.empty() ? 0 : static_cast<std::uint32_t>(offset);
    offset += db.sortInfo.size();

    std::size_t total = offset;
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i].size > kPdbMaxRecordSize) {
            throw FormatError("record " + std::to_string(i + 1) + " would take " +
                              std::to_string(entries[i].size) +
                              " bytes; a Palm record takes at most " +
                              std::to_string(kPdbMaxRecordSize));
        }
        total += entries[i].size;
    }
    if (total > 0xFFFFFFFFu) throw FormatError("the database would exceed 4 GB");

    std::string out;
    out.reserve(offset);
    putFixed(out, db.name, kPdbNameSlot);
    putU16(out, db.attributes);
    putU16(out, db.version);
    putU32(out, db.creationDate);
    putU32(out, db.modificationDate);
    putU32(out, db.lastBackupDate);
    putU32(out, db.modificationNumber);
    putU32(out, appInfoId);
    putU32(out, sortInfoId);
    out += db.type;
    out += db.creator;
    putU32(out, db.uniqueIdSeed);
    putU32(out, 0);  // next record list: never used in a file
    putU16(out, static_cast<std::uint16_t>(count));
    for (const PdbEntry& e : entries) {
        putU32(out, static_cast<std::uint32_t>(offset));
        putU8(out, e.attributes);
        putU8(out, static_cast<std::uint8_t>((e.uniqueId >> 16) & 0xFF));
        putU16(out, static_cast<std::uint16_t>(e.uniqueId & 0xFFFF));
        offset += e.size;
    }
    putU16(out, 0);  // the gap
    out += db.appInfo;
    out += db.sortInfo;
    return out;
}

std::string writePdb(const PdbDatabase& db) {
    std::vector<PdbEntry> entries;
    entries.reserve(db.records.size());
    std::size_t total = 0;
    for (const PdbRecord& r : db.records) {
        entries.push_back({r.attributes, r.uniqueId, r.data.size()});
        total += r.data.size();
    }
    std::string out = writePdbHead(db, entries);
    out.reserve(out.size() + total);
    for (const PdbRecord& r : db.records) out += r.data;
    return out;
}

}  // namespace rq::jfile
