#include "engine/output_file.h"

#include <algorithm>
#include <system_error>

#include "engine/file_replace.h"

namespace rq {

OutputFile::OutputFile(SystemServices* system) : system_(system) {
    for (auto& buffer : buffers_) buffer.reset(new char[kBufferSize]);
    current_ = buffers_[0].get();
}

OutputFile::~OutputFile() {
    if (isOpen()) discard();
}

bool OutputFile::open(const std::string& path) {
    if (isOpen()) discard();
    failureReason_.clear();
    file_ = system_ != nullptr ? system_->beginReplace(path, failureReason_)
                               : beginStandardReplace(path, failureReason_);
    if (!file_) return false;
    path_ = path;
    failed_ = false;
    current_ = buffers_[0].get();
    used_ = 0;
    fullFirst_ = 0;
    fullCount_ = 0;
    for (std::size_t i = 1; i < kBufferCount; ++i) free_[i - 1] = buffers_[i].get();
    freeCount_ = kBufferCount - 1;
    closing_ = false;
    try {
        writer_ = std::thread(&OutputFile::writeChunks, this);
        threaded_ = true;
    } catch (const std::system_error&) {
        // No thread to be had: the buffers go to the file on this thread, only more slowly.
        threaded_ = false;
    }
    return true;
}

void OutputFile::writeChunk(const char* data, std::size_t size) {
    // After a failure the rest is dropped: the file is lost anyway and the caller is told.
    if (!failed() && !file_->write(data, size)) {
        failureReason_ = file_->reason();
        failed_ = true;
    }
}

void OutputFile::flush() {
    if (used_ == 0) return;
    if (!isOpen()) {
        // Bytes with nowhere to go: a writer that lost its file. Nothing waits for them.
        failed_ = true;
        used_ = 0;
        return;
    }
    if (!threaded_) {
        writeChunk(current_, used_);
        used_ = 0;
        return;
    }
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
        writeChunk(chunk.data, chunk.size);
        lock.lock();
        free_[freeCount_++] = chunk.data;
        changed_.notify_all();
    }
}

void OutputFile::stopWriter() {
    if (!threaded_) return;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    writer_.join();
    threaded_ = false;
}

bool OutputFile::close() {
    if (!isOpen()) {
        used_ = 0;
        return false;
    }
    flush();
    stopWriter();
    if (!failed() && !file_->commit()) {
        failureReason_ = file_->reason();
        failed_ = true;
    }
    if (failed()) file_->discard();
    file_.reset();
    path_.clear();
    return !failed();
}

void OutputFile::discard() {
    used_ = 0;
    if (!isOpen()) return;
    stopWriter();
    file_->discard();
    file_.reset();
    path_.clear();
}

}  // namespace rq
