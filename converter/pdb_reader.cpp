// SPDX-License-Identifier: MIT
#include "converter/pdb_reader.h"

#include <string>

#include "base/bytes.h"

namespace rq::jfile {

namespace {
std::string numberText(std::size_t n) {
    return std::to_string(n);
}
}  // namespace

PdbView viewPdb(std::string_view bytes) {
    return viewPdb(bytes, bytes.size());
}

PdbView viewPdb(std::string_view bytes, std::size_t fileSize) {
    ByteReader in(bytes, "the Palm database");
    PdbView view;
    PdbDatabase& h = view.header;

    const std::string_view nameSlot = in.take(kPdbNameSlot);
    const std::size_t nul = nameSlot.find('\0');
    if (nul == std::string_view::npos) {
        throw FormatError("the database name in the file header has no end (no zero byte)");
    }
    h.name = std::string(nameSlot.substr(0, nul));
    h.attributes = in.u16();
    h.version = in.u16();
    h.creationDate = in.u32();
    h.modificationDate = in.u32();
    h.lastBackupDate = in.u32();
    h.modificationNumber = in.u32();
    const std::uint32_t appInfoId = in.u32();
    const std::uint32_t sortInfoId = in.u32();
    h.type = std::string(in.take(kPdbTypeSize));
    h.creator = std::string(in.take(kPdbTypeSize));
    h.uniqueIdSeed = in.u32();
    const std::uint32_t nextList = in.u32();
    const std::size_t count = in.u16();

    if (h.attributes & kPdbAttrResource) {
        throw FormatError("the file is a Palm resource database, not a record database");
    }
    if (nextList != 0) {
        throw FormatError(
            "the file header links to a second record list, which a file never "
            "has; the file is damaged");
    }

    struct RawEntry {
        std::uint32_t offset;
        std::uint8_t attributes;
        std::uint32_t uniqueId;
    };
    std::vector<RawEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        RawEntry e;
        e.offset = in.u32();
        e.attributes = in.u8();
        const std::uint32_t id = in.u8();
        e.uniqueId = (id << 16) | in.u16();
        entries.push_back(e);
    }
    const std::size_t listEnd = in.position();

    // The blocks in file order: AppInfo, SortInfo, records. Each must start at or after the
    // previous one and inside the file.
    std::size_t previous = listEnd;
    auto checkStart = [&](std::size_t offset, const std::string& what) {
        if (offset < previous) {
            throw FormatError(what + " starts at offset " + numberText(offset) +
                              ", before the end of what precedes it (" + numberText(previous) +
                              "); the file is damaged");
        }
        if (offset > fileSize) {
            throw FormatError(what + " starts at offset " + numberText(offset) +
                              ", past the end of the file (" + numberText(fileSize) +
                              " bytes); the file is truncated or damaged");
        }
        previous = offset;
    };
    if (appInfoId != 0) checkStart(appInfoId, "the AppInfo block");
    if (sortInfoId != 0) checkStart(sortInfoId, "the SortInfo block");
    for (std::size_t i = 0; i < count; ++i) {
        checkStart(entries[i].offset, "record " + numberText(i + 1));
    }

    // Each block runs to the next start, the last one to the end of the file.
    auto endAfter = [&](int block) -> std::size_t {
        // block: 0 AppInfo, 1 SortInfo, 2.. records
        if (block < 1 && sortInfoId != 0) return sortInfoId;
        const std::size_t firstRecord = block < 2 ? 0 : static_cast<std::size_t>(block - 2) + 1;
        if (firstRecord < count) return entries[firstRecord].offset;
        return fileSize;
    };
    if (appInfoId != 0) {
        view.appInfo = bytes.substr(appInfoId, endAfter(0) - appInfoId);
    }
    if (sortInfoId != 0) {
        view.sortInfo = bytes.substr(sortInfoId, endAfter(1) - sortInfoId);
    }
    view.records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = entries[i].offset;
        const std::size_t end = endAfter(static_cast<int>(i) + 2);
        const std::string_view data =
            end <= bytes.size() ? bytes.substr(start, end - start) : std::string_view{};
        view.records.push_back(
            {entries[i].attributes, entries[i].uniqueId, data, start, end - start});
    }
    return view;
}

PdbDatabase readPdb(std::string_view bytes) {
    PdbView view = viewPdb(bytes);
    PdbDatabase db = std::move(view.header);
    db.appInfo = std::string(view.appInfo);
    db.sortInfo = std::string(view.sortInfo);
    db.records.reserve(view.records.size());
    for (const auto& r : view.records) {
        db.records.push_back({r.attributes, r.uniqueId, std::string(r.data)});
    }
    return db;
}

}  // namespace rq::jfile
