// SPDX-License-Identifier: MIT
#pragma once
// The one output-file slot that every writer uses: a buffered binary file with write-error
// tracking. Writers write their CR LF line ends themselves, so the bytes are the same on every
// platform. A writer empties the slot on every way out (OutputFileGuard does it).
//
// The bytes go to a temporary file beside the target, which takes the target's place only when
// close() succeeds: a failed or abandoned write leaves an earlier file of that name untouched.
//
// A full buffer goes to the system on the caller's thread. A writing thread that took the
// buffers over cost more than it gave on two cores (about 10% more CPU time, no shorter wall
// time for a 200 MB export): the hand-overs and the second thread's wake-ups outweigh the
// overlap. The buffer is page-aligned, which keeps the system's copy out of it fast.

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/system_services.h"

namespace rq {

class OutputFile {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 18;

    // Files are made through `system` (flushed to the disk, renamed into place); without it,
    // through the standard library.
    explicit OutputFile(SystemServices* system = nullptr);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts new contents for the file; an earlier file stays until close(). False when the
    // temporary file cannot be created (see failureReason()).
    bool open(const std::string& path);
    // Makes the files of later open() calls: a host that writes some paths elsewhere (standard
    // output) or watches the writes. Empty: the system's replacement of the path.
    using Opener = std::function<std::unique_ptr<ReplacementFile>(const std::string& path,
                                                                  std::string& reason)>;
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    void put(char c) {
        if (used_ == kBufferSize) flush();
        current_[used_++] = c;
    }
    void write(const char* data, std::size_t size) {
        if (size <= kBufferSize - used_) {
            std::memcpy(current_ + used_, data, size);
            used_ += size;
        } else {
            writeSlow(data, size);
        }
    }
    void write(std::string_view text) { write(text.data(), text.size()); }
    void endLine() { write("\r\n", 2); }
    void writeLine(std::string_view text) {
        write(text);
        endLine();
    }

    // True once any write has failed (disk full, file gone). A failure shows here as soon as
    // the buffer holding the bytes has gone to the system, and at the latest in close().
    bool failed() const { return failed_; }

    // Writes what is left and puts the file in its place; empties the slot. False when any
    // write, the flush or the rename failed (or nothing was open): then the earlier file is as
    // it was and the temporary one is gone.
    bool close();
    // Empties the slot and drops what was written; the earlier file is as it was.
    void discard();
    // The system's words for the last failure of open(), a write or close().
    const std::string& failureReason() const { return failureReason_; }

  private:
    struct AlignedFree {
        void operator()(char* p) const;
    };

    // Hands the buffer to the file.
    void flush();
    void writeSlow(const char* data, std::size_t size);

    SystemServices* system_;
    Opener opener_;
    std::unique_ptr<ReplacementFile> file_;
    std::string path_;
    std::string failureReason_;
    std::unique_ptr<char, AlignedFree> buffer_;
    char* current_ = nullptr;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Empties the slot when the writer leaves by any path without closing it itself (an exception):
// what it wrote is dropped and an earlier file stays.
class OutputFileGuard {
  public:
    explicit OutputFileGuard(OutputFile& file) : file_(file) {}
    ~OutputFileGuard() {
        if (file_.isOpen()) file_.discard();
    }
    OutputFileGuard(const OutputFileGuard&) = delete;
    OutputFileGuard& operator=(const OutputFileGuard&) = delete;

  private:
    OutputFile& file_;
};

}  // namespace rq
