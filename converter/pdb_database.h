// SPDX-License-Identifier: MIT
#pragma once
// One Palm OS record database (PDB) as it lies in a desktop file. Byte order is big-endian
// throughout; offsets are computed by the writer and checked by the reader, never kept here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rq::jfile {

inline constexpr std::size_t kPdbHeaderSize = 78;  // with the record-list header
inline constexpr std::size_t kPdbEntrySize = 8;
inline constexpr std::size_t kPdbGapSize = 2;    // customary zeros after the record list
inline constexpr std::size_t kPdbNameSlot = 32;  // name + NUL
inline constexpr std::size_t kPdbMaxRecords = 65535;
// Largest record (and block) a handheld takes without trouble.
inline constexpr std::size_t kPdbMaxRecordSize = 65505;

inline constexpr std::uint16_t kPdbAttrResource = 0x0001;
inline constexpr std::uint16_t kPdbAttrBackup = 0x0008;
inline constexpr std::uint8_t kRecAttrDelete = 0x80;

// Seconds from 1904-01-01 (the Palm epoch) to 1970-01-01.
inline constexpr std::int64_t kPalmEpochOffset = 2082844800;

struct PdbRecord {
    std::uint8_t attributes = 0;
    std::uint32_t uniqueId = 0;  // 24 bits
    std::string data;
};

struct PdbDatabase {
    std::string name;  // without its NUL
    std::uint16_t attributes = kPdbAttrBackup;
    std::uint16_t version = 0;
    std::uint32_t creationDate = 0;  // raw seconds as stored
    std::uint32_t modificationDate = 0;
    std::uint32_t lastBackupDate = 0;
    std::uint32_t modificationNumber = 0;
    std::string type;     // 4 bytes
    std::string creator;  // 4 bytes
    std::uint32_t uniqueIdSeed = 0;
    std::string appInfo;   // empty: no block
    std::string sortInfo;  // empty: no block
    std::vector<PdbRecord> records;
};

}  // namespace rq::jfile
