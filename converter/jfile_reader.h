// SPDX-License-Identifier: MIT
#pragma once
// Reads a JFile database: JFile 5 ("JfD5"/"JFi5"), JFile 4 ("JfDb"/"JFil") and JFile 2/3
// ("JbDb"/"JBas"). Records are decoded one at a time on request.
//
// Tolerated on reading: either AppInfo marker (452 or 576) for JFile 2/3; anything after the
// end of the popup lists (JFile 4's binary segments, "EndJFileData", extra zeros); lists for
// fields the database does not have, and non-popup lists (both skipped).

#include <string>
#include <string_view>
#include <vector>

#include "converter/jfile_database.h"
#include "converter/pdb_reader.h"

namespace rq::jfile {

class JFileReader {
  public:
    // `bytes` must outlive the reader. Throws FormatError for a file that is not a JFile
    // database or whose header or AppInfo block is damaged.
    explicit JFileReader(std::string_view bytes);
    // From the first bytes of a larger file (see viewPdb): records past them are read by the
    // caller at recordOffset() and handed to decode().
    JFileReader(std::string_view head, std::size_t fileSize);

    // Fields and settings; `records` is left empty.
    const JFileDatabase& layout() const { return layout_; }
    std::size_t recordCount() const { return pdb_.records.size(); }
    // Marked for deletion at the next sync: not part of the data.
    bool isDeleted(std::size_t index) const;
    // Throws FormatError naming the record (1-based) when its bytes are inconsistent.
    std::vector<std::string> record(std::size_t index) const;
    std::size_t recordOffset(std::size_t index) const { return pdb_.records.at(index).offset; }
    std::size_t recordSize(std::size_t index) const { return pdb_.records.at(index).size; }
    // The values of record `index` from its bytes `data`.
    std::vector<std::string> decode(std::size_t index, std::string_view data) const;

  private:
    void readAppInfo();

    PdbView pdb_;
    JFileDatabase layout_;
};

// The whole database, records marked deleted left out.
JFileDatabase readJFile(std::string_view bytes);

}  // namespace rq::jfile
