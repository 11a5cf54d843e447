// SPDX-License-Identifier: MIT
#include "engine/file_replace.h"
#include "base/native_path.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "base/path.h"

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
    // A name of 255 bytes must leave room for the random part and the suffix.
    constexpr std::size_t kNameRoom = 255 - 1 - 16 - kReplacementSuffix.size();
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = [] {
        std::random_device device;
        return std::uint64_t{device()} << 32 ^ device();
    }();
    // A counter keeps names of one process apart; the seed keeps processes apart.
    std::uint64_t bits = seed ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    bits ^= bits >> 29;
    const PathParts parts = splitPath(path);
    std::string name = parts.name;
    if (name.size() > kNameRoom) {
        std::size_t cut = kNameRoom;
        // Never in the middle of a UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    name += '.';
    for (int i = 0; i < 16; ++i, bits >>= 4) name += kHex[bits & 0xF];
    name += kReplacementSuffix;
    return parts.folder + name;
}

std::string replacementTarget(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path target = nativePath(path);
    // As many links as the system follows itself before it calls it a loop.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error))) break;
        const fs::path next = fs::read_symlink(target, error);
        if (error) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return utf8Path(target);
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
    const std::string target = replacementTarget(path);
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
                                const std::string& to, const std::function<bool()>& keepGoing) {
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
        if (keepGoing && !keepGoing()) {
            ok = false;
            reason = "the copy was stopped";
            break;
        }
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
