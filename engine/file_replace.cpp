// SPDX-License-Identifier: MIT
#include "engine/file_replace.h"
#include "engine/native_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace rq {

namespace {

std::string errnoText(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

// `temporary` empty: the bytes go straight to the target, which is no regular file (a device
// such as /dev/stdout cannot be replaced, only written).
class StandardReplacement final : public ReplacementFile {
  public:
    StandardReplacement(std::FILE* file, std::string target, std::string temporary)
        : file_(file),
          target_(std::move(target)),
          temporary_(std::move(temporary)),
          direct_(temporary_.empty()) {}
    ~StandardReplacement() override { discard(); }

    bool write(const char* data, std::size_t size) override {
        if (file_ == nullptr) return fail("the file is closed");
        errno = 0;
        if (std::fwrite(data, 1, size, file_) == size) return true;
        return fail(errnoText(errno));
    }

    bool commit() override {
        if (file_ == nullptr) return fail("the file is closed");
        errno = 0;
        const bool flushed = std::fflush(file_) == 0;
        const int flushError = errno;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!flushed || !closed) {
            reason_ = errnoText(flushError != 0 ? flushError : errno);
            removeTemporary();
            return false;
        }
        if (direct_) return true;
        std::error_code error;
        std::filesystem::rename(nativePath(temporary_), nativePath(target_), error);
        if (error) {
            reason_ = error.message();
            removeTemporary();
            return false;
        }
        temporary_.clear();
        return true;
    }

    void discard() override {
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
        removeTemporary();
    }

  private:
    bool fail(std::string reason) {
        reason_ = std::move(reason);
        return false;
    }
    void removeTemporary() {
        if (temporary_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove(nativePath(temporary_), ignored);
        temporary_.clear();
    }

    std::FILE* file_;
    std::string target_;
    std::string temporary_;
    bool direct_;
};

}  // namespace

std::string replacementPath(const std::string& path) {
    return path + ".rqnew";
}

std::unique_ptr<ReplacementFile> beginStandardReplace(const std::string& path,
                                                      std::string& reason) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(nativePath(path), error);
    if (fs::is_directory(status)) {
        reason = std::make_error_code(std::errc::is_a_directory).message();
        return nullptr;
    }
    // A link is kept: the file it points to is the one replaced.
    std::string target = path;
    if (fs::is_symlink(fs::symlink_status(nativePath(path), error)) && fs::exists(status)) {
        const fs::path resolved = fs::canonical(nativePath(path), error);
        if (!error) target = utf8Path(resolved);
    }
    const bool special = fs::exists(status) && !fs::is_regular_file(status);
    const std::string temporary = special ? std::string() : replacementPath(target);
    errno = 0;
    std::FILE* file = openNativeFile(special ? target : temporary, "wb");
    if (file == nullptr) {
        reason = errnoText(errno);
        return nullptr;
    }
    return std::make_unique<StandardReplacement>(file, target, temporary);
}

ReplaceResult replaceFileContents(SystemServices& system, const std::string& path,
                                  std::string_view bytes) {
    std::string reason;
    const std::unique_ptr<ReplacementFile> file = system.beginReplace(path, reason);
    if (!file) return {reason};
    if (!file->write(bytes.data(), bytes.size()) || !file->commit()) {
        reason = file->reason();
        file->discard();
        return {reason};
    }
    return {};
}

ReplaceResult replaceFileByCopy(SystemServices& system, const std::string& from,
                                const std::string& to) {
    std::FILE* in = openNativeFile(from, "rb");
    if (in == nullptr) return {from + ": " + errnoText(errno)};
    std::string reason;
    const std::unique_ptr<ReplacementFile> file = system.beginReplace(to, reason);
    if (!file) {
        std::fclose(in);
        return {reason};
    }
    constexpr std::size_t kChunk = 1 << 16;
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(buffer.get(), 1, kChunk, in);
        if (n > 0 && !file->write(buffer.get(), n)) {
            ok = false;
            reason = file->reason();
            break;
        }
        if (n < kChunk) {
            if (std::ferror(in)) {
                ok = false;
                reason = from + ": " + errnoText(errno);
            }
            break;
        }
    }
    std::fclose(in);
    if (ok && !file->commit()) {
        ok = false;
        reason = file->reason();
    }
    if (!ok) {
        file->discard();
        return {reason};
    }
    return {};
}

}  // namespace rq
