// SPDX-License-Identifier: MIT
#pragma once
// One Palm OS record database (PDB) in memory; base/palm_database_layout.h is how it lies in a
// desktop file. Offsets are computed by the writer and checked by the reader, never kept here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/palm_database_layout.h"

namespace rq::jfile {

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
