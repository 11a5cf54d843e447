// SPDX-License-Identifier: MIT
#include "app/cli/command_files.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "base/native_path.h"

namespace rq {

namespace {
std::string systemText(int error) {
    return std::generic_category().message(error);
}

// Standard output: written as it comes, never replaced; nothing written can be taken back.
class StreamFile : public ReplacementFile {
  public:
    explicit StreamFile(std::FILE* stream) : stream_(stream) {}
    bool write(const char* data, std::size_t size) override {
        if (std::fwrite(data, 1, size, stream_) == size) return true;
        reason_ = systemText(errno);
        return false;
    }
    bool commit() override {
        if (std::fflush(stream_) == 0 && std::ferror(stream_) == 0) return true;
        reason_ = systemText(errno);
        return false;
    }
    void discard() override { std::fflush(stream_); }

  private:
    std::FILE* stream_;
};

// Passes the work on until a signal came; from then on the next write or the commit ends it.
class SignalGuardedFile : public ReplacementFile {
  public:
    SignalGuardedFile(std::unique_ptr<ReplacementFile> file, const std::atomic<int>& signal)
        : file_(std::move(file)), signal_(signal) {}
    bool write(const char* data, std::size_t size) override {
        checkSignal();
        return keepReason(file_->write(data, size));
    }
    bool commit() override {
        checkSignal();
        return keepReason(file_->commit());
    }
    void discard() override { file_->discard(); }

  private:
    void checkSignal() const {
        if (const int signal = signal_.load(); signal != 0) throw Interrupted{signal};
    }
    bool keepReason(bool ok) {
        if (!ok) reason_ = file_->reason();
        return ok;
    }

    std::unique_ptr<ReplacementFile> file_;
    const std::atomic<int>& signal_;
};
}  // namespace

CommandInput openCommandInput(const std::string& argument) {
    CommandInput input;
    if (argument == kStandardStream) {
        input.file = stdin;
        input.name = kStandardInputName;
        return input;
    }
    input.name = argument;
    // fopen takes a folder on POSIX, and reading it fails only later with a vaguer message.
    std::error_code error;
    if (std::filesystem::is_directory(nativePath(argument), error)) {
        input.problem = systemText(EISDIR);
        return input;
    }
    errno = 0;
    input.owned = openFile(argument, "rb");
    input.file = input.owned.get();
    if (input.file == nullptr) input.problem = systemText(errno != 0 ? errno : ENOENT);
    return input;
}

std::string outputName(const std::string& argument) {
    return argument == kStandardStream ? std::string(kStandardOutputName) : argument;
}

OutputFile::Opener commandOpener(SystemServices& system, const std::atomic<int>& signal,
                                 bool toStandardOutput, std::FILE* out) {
    return [&system, &signal, toStandardOutput, out](const std::string& path, std::string& reason) {
        std::unique_ptr<ReplacementFile> file;
        if (toStandardOutput && path == kStandardOutputName)
            file = std::make_unique<StreamFile>(out);
        else
            file = system.beginReplace(path, reason);
        if (!file) return file;
        return std::unique_ptr<ReplacementFile>(
            std::make_unique<SignalGuardedFile>(std::move(file), signal));
    };
}

}  // namespace rq
