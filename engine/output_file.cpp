#include "engine/output_file.h"

#include <algorithm>

namespace rq {

OutputFile::OutputFile() {
    for (auto& buffer : buffers_) buffer.reset(new char[kBufferSize]);
    current_ = buffers_[0].get();
}

OutputFile::~OutputFile() {
    if (isOpen()) close();
}

bool OutputFile::open(const std::string& path) {
    if (isOpen()) close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) return false;
    path_ = path;
    failed_ = false;
    current_ = buffers_[0].get();
    used_ = 0;
    fullFirst_ = 0;
    fullCount_ = 0;
    for (std::size_t i = 1; i < kBufferCount; ++i) free_[i - 1] = buffers_[i].get();
    freeCount_ = kBufferCount - 1;
    closing_ = false;
    writer_ = std::thread(&OutputFile::writeChunks, this);
    return true;
}

void OutputFile::flush() {
    if (used_ == 0) return;
    std::unique_lock lock(mutex_);
    full_[(fullFirst_ + fullCount_) % kBufferCount] = {current_, used_};
    ++fullCount_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return freeCount_ > 0; });
    current_ = free_[--freeCount_];
    used_ = 0;
}

void OutputFile::writeSlow(const char* data, std::size_t size) {
    while (size > 0) {
        if (used_ == kBufferSize) flush();
        const std::size_t n = std::min(size, kBufferSize - used_);
        std::memcpy(current_ + used_, data, n);
        used_ += n;
        data += n;
        size -= n;
    }
}

void OutputFile::writeChunks() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return fullCount_ > 0 || closing_; });
        if (fullCount_ == 0) return;  // closing, and everything is written
        const Chunk chunk = full_[fullFirst_];
        fullFirst_ = (fullFirst_ + 1) % kBufferCount;
        --fullCount_;
        lock.unlock();
        // After a failure the rest is dropped: the file is lost anyway and the caller is told.
        if (!failed() && std::fwrite(chunk.data, 1, chunk.size, file_) != chunk.size) {
            failed_ = true;
        }
        lock.lock();
        free_[freeCount_++] = chunk.data;
        changed_.notify_all();
    }
}

bool OutputFile::close() {
    if (!isOpen()) return false;
    flush();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    writer_.join();
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    path_.clear();
    return !failed();
}

}  // namespace rq
