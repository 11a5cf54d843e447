#include "engine/output_file.h"

namespace rq {

OutputFile::OutputFile() : buffer_(new char[kBufferSize]) {}

OutputFile::~OutputFile() {
    if (isOpen()) close();
}

bool OutputFile::open(const std::string& path) {
    if (isOpen()) close();
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) return false;
    path_ = path;
    used_ = 0;
    failed_ = false;
    return true;
}

void OutputFile::flush() {
    if (used_ == 0) return;
    if (!failed_ && std::fwrite(buffer_.get(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
}

void OutputFile::writeSlow(const char* data, std::size_t size) {
    flush();
    if (size >= kBufferSize) {
        if (!failed_ && std::fwrite(data, 1, size, file_) != size) failed_ = true;
        return;
    }
    std::memcpy(buffer_.get(), data, size);
    used_ = size;
}

bool OutputFile::close() {
    if (!isOpen()) return false;
    flush();
    if (std::fflush(file_) != 0) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    path_.clear();
    return !failed_;
}

}  // namespace rq
