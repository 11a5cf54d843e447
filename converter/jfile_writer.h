// SPDX-License-Identifier: MIT
#pragma once
// Writes a JFile 5 database (type "JfD5", creator "JFi5"). Records are added one at a time and
// encoded at once, or counted first and written after the head (two passes); every limit that would
// lose record data is a FormatError naming the field, while popup lists are only cut to what JFile
// takes.

#include <cstdint>
#include <string>
#include <vector>

#include "converter/jfile_database.h"
#include "converter/pdb_database.h"
#include "converter/pdb_writer.h"

namespace rq::jfile {

class JFileWriter {
  public:
    // Takes name, settings and fields of `layout` (its records are ignored). Throws FormatError
    // for a name or field list JFile cannot hold.
    explicit JFileWriter(const JFileDatabase& layout);

    // Throws FormatError when the record cannot be stored whole. Fewer values than fields are
    // padded with empty values; more are refused. The record's bytes are kept for finish().
    void addRecord(const std::vector<std::string>& values);
    std::size_t recordCount() const { return entries_.size(); }
    // The file image, dated `palmNow` (seconds since 1904).
    std::string finish(std::uint32_t palmNow);

    // Streaming in two passes, for inputs too large to hold: countRecord() each record (checked
    // as by addRecord, only its size kept), then write head() and after it encode() of each
    // record in the same order.
    void countRecord(const std::vector<std::string>& values);
    std::string head(std::uint32_t palmNow) const;
    std::string encode(const std::vector<std::string>& values) const;
    std::size_t recordSize(std::size_t index) const { return entries_.at(index).size; }

  private:
    std::string appInfo() const;

    JFileDatabase layout_;
    PdbDatabase pdb_;  // header values; records are not kept here
    std::vector<PdbEntry> entries_;
    std::string records_;  // what addRecord keeps
};

std::string writeJFile5(const JFileDatabase& db, std::uint32_t palmNow);

// The popup list as JFile can take it: items cut to 25 bytes (at a zero byte too), items that
// would read back as a list separator left out, at most 100 items and 2,500 bytes.
std::vector<std::string> fitPopupList(const std::vector<std::string>& items);

// True for a string that JFile reads as the start of a list ("popupa", "deflt3", ...).
bool isListSeparator(std::string_view text);

}  // namespace rq::jfile
