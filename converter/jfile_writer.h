#pragma once
// Writes a JFile 5 database (type "JfD5", creator "JFi5"). Records are added one at a time and
// encoded at once, so a caller can stream its input; every limit that would lose record data is
// a FormatError naming the field, while popup lists are only cut to what JFile takes.

#include <cstdint>
#include <string>
#include <vector>

#include "converter/jfile_database.h"
#include "converter/pdb_database.h"

namespace rq::jfile {

class JFileWriter {
  public:
    // Takes name, settings and fields of `layout` (its records are ignored). Throws FormatError
    // for a name or field list JFile cannot hold.
    explicit JFileWriter(const JFileDatabase& layout);

    // Throws FormatError when the record cannot be stored whole. Fewer values than fields are
    // padded with empty values; more are refused.
    void addRecord(const std::vector<std::string>& values);
    std::size_t recordCount() const { return pdb_.records.size(); }

    // The file image, dated `palmNow` (seconds since 1904).
    std::string finish(std::uint32_t palmNow);

  private:
    std::string appInfo() const;

    JFileDatabase layout_;
    PdbDatabase pdb_;
};

std::string writeJFile5(const JFileDatabase& db, std::uint32_t palmNow);

// The popup list as JFile can take it: items cut to 25 bytes (at a zero byte too), items that
// would read back as a list separator left out, at most 100 items and 2,500 bytes.
std::vector<std::string> fitPopupList(const std::vector<std::string>& items);

// True for a string that JFile reads as the start of a list ("popupa", "deflt3", ...).
bool isListSeparator(std::string_view text);

}  // namespace rq::jfile
