// SPDX-License-Identifier: MIT
#include "engine/output_file.h"
#include "base/native_path.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "engine/file_replace.h"

namespace rq {

namespace {
constexpr std::size_t kPageSize = 4096;
}  // namespace

void OutputFile::AlignedFree::operator()(char* p) const {
    ::operator delete (p, std::align_val_t{kPageSize});
}

OutputFile::OutputFile(SystemServices* system)
    // Aligned new, not std::aligned_alloc, which MinGW's runtime lacks.
    : system_(system),
      buffer_(static_cast<char*>(::operator new (kBufferSize, std::align_val_t{kPageSize}))) {
    current_ = buffer_.get();
}

OutputFile::~OutputFile() {
    if (isOpen()) discard();
}

bool OutputFile::open(const std::string& path) {
    if (isOpen()) discard();
    failureReason_.clear();
    file_ = opener_              ? opener_(path, failureReason_)
            : system_ != nullptr ? system_->beginReplace(path, failureReason_)
                                 : beginStandardReplace(path, failureReason_);
    if (!file_) return false;
    path_ = path;
    failed_ = false;
    used_ = 0;
    return true;
}

void OutputFile::flush() {
    if (used_ == 0) return;
    if (!isOpen()) {
        // Bytes with nowhere to go: a writer that lost its file.
        failed_ = true;
        used_ = 0;
        return;
    }
    // After a failure the rest is dropped: the file is lost anyway and the caller is told.
    if (!failed_ && !file_->write(current_, used_)) {
        failureReason_ = file_->reason();
        failed_ = true;
    }
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

bool OutputFile::close() {
    if (!isOpen()) {
        used_ = 0;
        return false;
    }
    flush();
    if (!failed_ && !file_->commit()) {
        failureReason_ = file_->reason();
        failed_ = true;
    }
    if (failed_) file_->discard();
    file_.reset();
    path_.clear();
    return !failed_;
}

void OutputFile::discard() {
    used_ = 0;
    if (!isOpen()) return;
    file_->discard();
    file_.reset();
    path_.clear();
}

}  // namespace rq
