// SPDX-License-Identifier: MIT
#pragma once
// The file helpers of every test: whole files read and written as bytes, the test data folder,
// and a temporary folder of the test's own.

#include <filesystem>
#include <string>
#include <string_view>

namespace rq::test {

namespace fs = std::filesystem;

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Creates or empties the file and writes the bytes.
void writeFile(const std::string& path, std::string_view bytes);

// Whether a temporary file of a replacement (name ending in ".rqnew") lies in the folder.
bool holdsReplacementFile(const std::string& folder);

// tests/data/<folder>/<name>.
std::string dataFile(std::string_view folder, std::string_view name);

// A new empty folder under the system's temporary folder, removed with everything in it at the
// end. Its name is made unique by creating it (as mkdtemp does), so tests that run at the same
// time, in one run or in several, never share one.
// Copies over an existing file (MinGW's std::filesystem refuses overwrite_existing). A missing
// source leaves the target alone.
bool copyReplacing(const std::string& from, const std::string& to);

class TempFolder {
  public:
    explicit TempFolder(std::string_view tag = "rq-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path() const { return path_.string(); }
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

}  // namespace rq::test
