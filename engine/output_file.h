#pragma once
// The one output-file slot that every writer uses: a buffered binary file with write-error
// tracking. Writers write their CR LF line ends themselves, so the bytes are the same on every
// platform. A writer empties the slot on every way out (OutputFileGuard does it).
//
// A full buffer goes to a writing thread, which hands it to the system while the writer fills
// the next one: the system's copy of the data then costs the conversion no time. Only that
// thread ever calls the file; everything else stays on the caller's thread.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace rq {

class OutputFile {
  public:
    static constexpr std::size_t kBufferSize = 1 << 16;
    static constexpr std::size_t kBufferCount = 16;

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
    // the writing thread has met it, and at the latest in the result of close().
    bool failed() const { return failed_.load(std::memory_order_relaxed); }

    // Writes what is left, closes and empties the slot. False when any write or the close failed.
    bool close();

  private:
    struct Chunk {
        char* data = nullptr;
        std::size_t size = 0;
    };

    // Hands the current buffer to the writing thread and takes a free one.
    void flush();
    void writeSlow(const char* data, std::size_t size);
    void writeChunks();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::array<std::unique_ptr<char[]>, kBufferCount> buffers_;
    char* current_ = nullptr;
    std::size_t used_ = 0;
    std::atomic<bool> failed_{false};

    // Between the caller and the writing thread; fixed rings, so a hand-over allocates nothing.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<Chunk, kBufferCount> full_{};
    std::size_t fullFirst_ = 0;
    std::size_t fullCount_ = 0;
    std::array<char*, kBufferCount> free_{};
    std::size_t freeCount_ = 0;
    bool closing_ = false;
    std::thread writer_;
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
