// SPDX-License-Identifier: MIT
#pragma once
// A deterministic generator of realistic EndNote tab-delimited exports, for benchmarks and for
// tests that need large inputs: 31 fields per record, author lists, titles, abstracts of 0.5 to
// 3 KB (some with CR LF paragraph breaks, double quotes and degree signs), Windows-1252 bytes
// above 0x80, and each record ended by 0xB0 and CR LF. The same seed gives the same bytes on
// every platform.

#include <cstddef>
#include <cstdint>
#include <string>

namespace rq::bench {

class ExportGenerator {
  public:
    explicit ExportGenerator(unsigned seed);
    // Appends one whole record, its mark and line end included.
    void appendRecord(std::string& out);

  private:
    std::uint64_t next();
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    void appendWords(std::string& out, std::size_t minBytes, std::size_t maxBytes);
    void appendAuthors(std::string& out);
    void appendAbstract(std::string& out);

    std::uint64_t state_;
};

// About `approxBytes` bytes of whole records (a little more, never less).
std::string generateExport(std::size_t approxBytes, unsigned seed);

// Writes the same bytes to `path` a block at a time; false when the file cannot be written.
bool writeExportFile(const std::string& path, std::size_t approxBytes, unsigned seed);

}  // namespace rq::bench
