#pragma once
// The one output-file slot that every writer uses: a buffered binary file with write-error
// tracking. Writers write their CR LF line ends themselves, so the bytes are the same on every
// platform. A writer empties the slot on every way out (OutputFileGuard does it).

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace rq {

class OutputFile {
public:
    static constexpr std::size_t kBufferSize = 1 << 16;

    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates (or replaces) the file. False when it cannot be created.
    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    void put(char c) {
        if (used_ == kBufferSize) flush();
        buffer_[used_++] = c;
    }
    void write(const char* data, std::size_t size) {
        if (size <= kBufferSize - used_) {
            std::memcpy(buffer_.get() + used_, data, size);
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

    // True once any write has failed (disk full, file gone).
    bool failed() const { return failed_; }

    // Flushes and closes; empties the slot. False when any write or the close failed.
    bool close();

private:
    void flush();
    void writeSlow(const char* data, std::size_t size);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Closes the slot when the writer leaves by any path, unless it closed it itself.
class OutputFileGuard {
public:
    explicit OutputFileGuard(OutputFile& file) : file_(file) {}
    ~OutputFileGuard() {
        if (file_.isOpen()) file_.close();
    }
    OutputFileGuard(const OutputFileGuard&) = delete;
    OutputFileGuard& operator=(const OutputFileGuard&) = delete;

private:
    OutputFile& file_;
};

}  // namespace rq
