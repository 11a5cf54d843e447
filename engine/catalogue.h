// SPDX-License-Identifier: MIT
#pragma once
// The fixed list of the 31 bibliographic fields. A field is addressed everywhere by its number
// 1 to 31; arrays indexed by field number keep an unused entry 0.

#include <array>
#include <cstdint>
#include <string_view>

namespace rq {

inline constexpr int kFieldCount = 31;

// JFile field type codes, passed on unchanged to JFile. A slot may hold any other number.
enum FieldType : std::int32_t {
    String = 1,
    NormalPopup = 64,
    MultiplePopup = 81,
};

inline constexpr bool isPopupType(std::int32_t type) {
    return type == NormalPopup || type == MultiplePopup;
}

struct CatalogueEntry {
    std::string_view jfileName;    // check box caption, CSV header name for JFile
    std::string_view endNoteName;  // header name of the EndNote import file
    // Factory defaults, used only to write the factory-default strategy file.
    bool selected;
    std::int32_t fieldType;
    std::int32_t columnWidth;
};

// Index 0 is the unused "DUMMY" entry.
extern const std::array<CatalogueEntry, kFieldCount + 1> FieldCatalogue;

inline std::string_view jfileName(int n) {
    return FieldCatalogue[n].jfileName;
}
inline std::string_view endNoteName(int n) {
    return FieldCatalogue[n].endNoteName;
}

inline constexpr std::int32_t kDefaultMaxLength = 3990;

}  // namespace rq
