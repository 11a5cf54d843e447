// SPDX-License-Identifier: MIT
#pragma once
// The layout of a Palm OS record database (PDB) as it lies in a desktop file, known here once:
// the converter reads and writes it, the driver checks what the converter wrote. Numbers are
// big-endian (base/bytes.h); offsets count from the start of the file.
//
//   offset  size  field
//        0    32  database name, ended by a zero byte
//       32     2  attributes               34   2  version
//       36     4  creation date            40   4  modification date
//       44     4  last backup date         48   4  modification number
//       52     4  AppInfo block offset     56   4  SortInfo block offset (0: none)
//       60     4  type                     64   4  creator
//       68     4  unique-id seed           72   4  next record list (0 in a file)
//       76     2  number of records
//       78   8 n  record list: per record its offset (4), attributes (1) and unique id (3)
// Then two customary zero bytes, the AppInfo and SortInfo blocks and the records, each running
// to the start of the next one, the last to the end of the file.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rq {

inline constexpr std::size_t kPdbNameSlot = 32;  // name + NUL
inline constexpr std::size_t kPdbAttributesAt = kPdbNameSlot;
inline constexpr std::size_t kPdbVersionAt = kPdbAttributesAt + 2;
inline constexpr std::size_t kPdbCreationDateAt = kPdbVersionAt + 2;
inline constexpr std::size_t kPdbModificationDateAt = kPdbCreationDateAt + 4;
inline constexpr std::size_t kPdbBackupDateAt = kPdbModificationDateAt + 4;
inline constexpr std::size_t kPdbModificationNumberAt = kPdbBackupDateAt + 4;
inline constexpr std::size_t kPdbAppInfoAt = kPdbModificationNumberAt + 4;
inline constexpr std::size_t kPdbSortInfoAt = kPdbAppInfoAt + 4;
inline constexpr std::size_t kPdbTypeAt = kPdbSortInfoAt + 4;
inline constexpr std::size_t kPdbTypeSize = 4;  // of the type and of the creator
inline constexpr std::size_t kPdbCreatorAt = kPdbTypeAt + kPdbTypeSize;
inline constexpr std::size_t kPdbUniqueIdSeedAt = kPdbCreatorAt + kPdbTypeSize;
inline constexpr std::size_t kPdbNextListAt = kPdbUniqueIdSeedAt + 4;
inline constexpr std::size_t kPdbRecordCountAt = kPdbNextListAt + 4;
// The header with the record list's own header (its link and count).
inline constexpr std::size_t kPdbHeaderSize = kPdbRecordCountAt + 2;

// One entry of the record list: the record's offset, attributes and 24-bit unique id.
inline constexpr std::size_t kPdbEntrySize = 8;
inline constexpr std::size_t kPdbEntryAttributesAt = 4;  // within the entry
constexpr std::size_t pdbEntryAt(std::size_t index) {
    return kPdbHeaderSize + kPdbEntrySize * index;
}
inline constexpr std::size_t kPdbGapSize = 2;  // customary zeros after the record list

inline constexpr std::size_t kPdbMaxRecords = 65535;
// Largest record (and block) a handheld takes without trouble.
inline constexpr std::size_t kPdbMaxRecordSize = 65505;

inline constexpr std::uint16_t kPdbAttrResource = 0x0001;
inline constexpr std::uint16_t kPdbAttrBackup = 0x0008;
inline constexpr std::uint8_t kRecAttrDelete = 0x80;

// The type and creator of the JFile 5 databases the converter writes.
inline constexpr std::string_view kJFileType = "JfD5";
inline constexpr std::string_view kJFileCreator = "JFi5";

}  // namespace rq
