// SPDX-License-Identifier: MIT
#pragma once
// The two tables that the CSV reader fills, indexed like the field catalogue. Cells are strings
// whose capacity is kept from record to record, so a record costs no allocation once warmed up.

#include <array>
#include <string>

namespace rq {

// Row N (1 to 31): column 1 jfileName, column 2 endNoteName, column 3 the record's value.
// Row 0 collects the values of columns that match no field. Rows 32 and up are not used.
struct CatalogueValues {
    static constexpr int kRows = 70;
    static constexpr int kColumns = 4;
    std::array<std::array<std::string, kColumns>, kRows> cells{};
};

// Row i (1 up to the number of header values): column 1 the header name, column 2 the matching
// field number as text ("0" for none).
struct ColumnMap {
    static constexpr int kRows = 40;
    static constexpr int kColumns = 3;
    std::array<std::array<std::string, kColumns>, kRows> cells{};
};

}  // namespace rq
