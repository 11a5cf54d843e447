// SPDX-License-Identifier: MIT
#pragma once
// A JFile database: its fields (name, type, list-view width, extra values, popup list), its
// settings and its records. JFile 5 is written; JFile 5, 4 and 2/3 are read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rq::jfile {

enum class JFileFormat { JFile5, JFile4, JFile23 };

inline constexpr std::size_t kMaxFields = 50;
inline constexpr std::size_t kMaxFields23 = 20;
inline constexpr std::size_t kNameSlot = 21;  // 20 characters + NUL
inline constexpr std::size_t kMaxFieldNameLength = kNameSlot - 1;
inline constexpr std::size_t kMaxDatabaseNameLength = 30;
// JFile holds 4,000 bytes a value with its terminating zero.
inline constexpr std::size_t kMaxValueLength = 3999;
// Also the engine's kMaxPopupWords (engine/strategy.h); JFile's own limit, defined here on
// purpose like every format constant of the converter (see kLineEndMark in csv_writer.h).
inline constexpr std::size_t kMaxPopupItems = 100;
inline constexpr std::size_t kMaxPopupItemLength = 25;
inline constexpr std::size_t kMaxPopupListBytes = 2500;  // items with their zero bytes

inline constexpr std::uint16_t kAppInfoMarker = 576;
inline constexpr std::uint16_t kAppInfoMarker23 = 452;
inline constexpr std::size_t kAppInfoFixedSize = 1702;
inline constexpr std::size_t kAppInfoFixedSize23 = 564;
inline constexpr char kBlankItem = '\x07';  // an empty popup item as stored

// Header `version` bits of JFile 5.
inline constexpr std::uint16_t kVersionNormal = 0x0001;
inline constexpr std::uint16_t kVersionEncrypted = 0x0002;
inline constexpr std::uint16_t kVersionStructLock = 0x0100;
inline constexpr std::uint16_t kVersion50Formatted = 0x0800;
// AppInfo flags bit of JFile 4 and 2/3, and the conversion-info lock number the engine writes
// as kLockedFlags (engine/strategy.h); defined here on purpose (see csv_writer.h).
inline constexpr std::uint16_t kFlagsStructLock = 0x0008;

// The field type codes the engine writes into the conversion-info file (FieldType in
// engine/catalogue.h); defined here on purpose (see kLineEndMark in csv_writer.h).
inline constexpr std::uint16_t kTypeString = 1;
inline constexpr std::uint16_t kTypePopup = 64;
inline constexpr std::uint16_t kTypeMultiplePopup = 81;

struct JFileField {
    std::string name;
    std::uint16_t type = kTypeString;
    std::int16_t columnWidth = 80;
    std::uint32_t extraData = 0;
    std::uint32_t extraData2 = 0;
    std::vector<std::string> popupItems;  // empty: no popup list
};

struct JFileDatabase {
    std::string name;
    JFileFormat format = JFileFormat::JFile5;
    bool structureLocked = false;
    std::int16_t showDataWidth = 110;
    std::int16_t firstColumnToShow = 1;
    std::uint32_t creationDate = 0;  // Palm seconds since 1904
    std::uint32_t modificationDate = 0;
    std::vector<JFileField> fields;
    std::vector<std::vector<std::string>> records;
};

// JFile's own field letters in list separators: "a".."z" for fields 1-26, "A" on for 27-50.
char jfileFieldLetter(std::size_t fieldIndex);
std::optional<std::size_t> jfileFieldIndex(char letter);

// Whether the type word (low byte; options in the high byte) is a type JFile knows.
bool isKnownFieldType(std::uint16_t type);

}  // namespace rq::jfile
