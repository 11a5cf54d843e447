// SPDX-License-Identifier: MIT
#pragma once
// The one fake of the system services for every test, configured per test: files are real (in
// a temporary folder) and can be made to fail at one step of their replacement; the process is
// a script that runs when it is "started", or, with `processes` set, a real process of the
// platform; the clock moves on as the test says; the registry and the install queue only record
// what they are given, and the instance lock is always free.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "engine/command_line.h"
#include "engine/file_replace.h"
#include "engine/system_services.h"
#include "support/fake_database.h"
#include "support/files.h"

namespace rq::test {

// A fault to inject into the replacement of files whose path holds `pathPart`: the temporary
// file cannot be created, the `writeNumber`-th write fails (disk full), or the commit (the flush
// or the rename) fails.
struct FileFault {
    enum class Step { None, Create, Write, Commit };
    Step step = Step::None;
    std::string pathPart;
    int writeNumber = 1;
    std::string reason = "No space left on device";
};

// The standard replacement with a fault injected at one step.
class FaultyReplacement final : public ReplacementFile {
  public:
    FaultyReplacement(std::unique_ptr<ReplacementFile> inner, FileFault fault)
        : inner_(std::move(inner)), fault_(std::move(fault)) {}
    bool write(const char* data, std::size_t size) override {
        if (fault_.step == FileFault::Step::Write && ++writes_ >= fault_.writeNumber) {
            // As a full disk does: part of the data arrives, then the write fails.
            inner_->write(data, size / 2);
            reason_ = fault_.reason;
            return false;
        }
        if (inner_->write(data, size)) return true;
        reason_ = inner_->reason();
        return false;
    }
    bool commit() override {
        if (fault_.step == FileFault::Step::Commit) {
            inner_->discard();
            reason_ = fault_.reason;
            return false;
        }
        if (inner_->commit()) return true;
        reason_ = inner_->reason();
        return false;
    }
    void discard() override { inner_->discard(); }

  private:
    std::unique_ptr<ReplacementFile> inner_;
    FileFault fault_;
    int writes_ = 0;
};

class FakeSystem : public SystemServices {
  public:
    struct Start {
        std::string application;
        std::string commandLine;
        bool highPriority;
    };

    // What the "converter" does, given the command line, when it starts.
    std::function<void(const std::vector<std::string>& args)> converter;
    // When set, processes are started, polled, killed and released by these services (the real
    // platform) instead of running `converter`; the folder short forms come from them too.
    SystemServices* processes = nullptr;
    bool startFails = false;
    int runningPolls = 0;  // polls that still see the converter running; -1: until killed
    bool crashes = false;  // the converter ends abnormally (a signal, an exception status)
    bool killFails = false;
    int kills = 0;
    FileFault fileFault;
    std::string startError;  // what lastStartError tells after a failed start
    bool queryFails = false;
    std::int64_t clock = 1000;  // seconds; each poll moves it on by secondsPerPoll
    std::int64_t secondsPerPoll = 1;
    std::int64_t secondsPerLook = 0;  // and each look at it by this many
    bool realClock = false;           // the clock of `processes` instead
    std::string shortFolder;          // returned for any folder when set
    RegistryResult registryResult = RegistryResult::Ok;
    // The stored form of a name; identity (as on POSIX) when not set.
    std::function<std::optional<std::string>(const std::string&)> storedTextRule;
    std::function<std::string(const std::string&)> textFromStoredRule;

    std::vector<Start> starts;
    std::vector<std::string> lastArgs;  // the arguments of the last start, program name first
    bool killed = false;
    int polls = 0;
    int releases = 0;
    std::vector<std::string> events;  // "copy a b", "delete a", "start", "release"
    std::map<std::string, std::map<std::string, std::uint32_t>> registry;
    std::vector<std::string> queued;

    bool startProcess(const std::string& application, const std::string& commandLine,
                      bool highPriority, ProcessHandle& handle) override {
        starts.push_back({application, commandLine, highPriority});
        events.push_back("start");
        if (startFails) return false;
        if (processes != nullptr)
            return processes->startProcess(application, commandLine, highPriority, handle);
        handle.process = 42;
        // The arguments as the converter receives them, its own name first.
        lastArgs = splitCommandLine(commandLine);
        if (converter) converter(lastArgs);
        return true;
    }
    std::string lastStartError() override { return startFails ? startError : std::string(); }
    ProcessStatus pollProcess(ProcessHandle& handle) override {
        if (processes != nullptr) return processes->pollProcess(handle);
        ++polls;
        clock += secondsPerPoll;
        if (queryFails) return ProcessStatus::QueryFailed;
        if (killed) return ProcessStatus::Abnormal;
        if (runningPolls < 0 || polls <= runningPolls) return ProcessStatus::Running;
        return crashes ? ProcessStatus::Abnormal : ProcessStatus::Exited;
    }
    bool killProcess(ProcessHandle& handle) override {
        ++kills;
        events.push_back("kill");
        if (processes != nullptr) return processes->killProcess(handle);
        if (killFails) return false;
        killed = true;
        return true;
    }
    std::unique_ptr<ReplacementFile> beginReplace(const std::string& path,
                                                  std::string& reason) override {
        events.push_back("replace " + path);
        const bool hit = fileFault.step != FileFault::Step::None &&
                         path.find(fileFault.pathPart) != std::string::npos;
        if (hit && fileFault.step == FileFault::Step::Create) {
            reason = fileFault.reason;
            return nullptr;
        }
        std::unique_ptr<ReplacementFile> file = beginStandardReplace(path, reason);
        if (!file || !hit) return file;
        return std::make_unique<FaultyReplacement>(std::move(file), fileFault);
    }
    void releaseProcess(ProcessHandle& handle) override {
        ++releases;
        events.push_back("release");
        if (processes != nullptr) processes->releaseProcess(handle);
    }

    std::string shortFolderPath(const std::string& folder) override {
        if (!shortFolder.empty()) return shortFolder;
        return processes != nullptr ? processes->shortFolderPath(folder) : folder;
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        events.push_back("copy " + from + " " + to);
        return copyReplacing(from, to);
    }
    bool deleteFile(const std::string& path) override {
        events.push_back("delete " + path);
        std::error_code error;
        return fs::remove(path, error);
    }
    bool fileExists(const std::string& path) override { return fs::is_regular_file(path); }
    bool folderExists(const std::string& path) override { return fs::is_directory(path); }
    bool createFolders(const std::string& path) override {
        std::error_code error;
        fs::create_directories(path, error);
        return fs::is_directory(path);
    }
    std::string currentFolder() override { return fs::current_path().string(); }
    std::int64_t nowSeconds() override {
        if (realClock && processes != nullptr) return processes->nowSeconds();
        const std::int64_t now = clock;
        clock += secondsPerLook;
        return now;
    }

    RegistryResult writeUserDword(const std::string& keyPath, const std::string& valueName,
                                  std::uint32_t value) override {
        if (registryResult == RegistryResult::Ok) registry[keyPath][valueName] = value;
        return registryResult;
    }
    std::optional<std::string> storedText(const std::string& text) override {
        return storedTextRule ? storedTextRule(text) : std::optional<std::string>(text);
    }

    std::string textFromStored(const std::string& bytes) override {
        return textFromStoredRule ? textFromStoredRule(bytes) : bytes;
    }

    void queueForHandheldInstall(const std::string& databasePath) override {
        queued.push_back(databasePath);
    }

    bool acquireInstanceLock(const std::string&) override { return true; }
    void releaseInstanceLock() override {}
    void beep(int, int) override {}

    bool folderHeldByAnother = false;  // another process converts in the program folder
    int folderLocksHeld = 0;
    FolderLock tryLockProgramFolder(const std::string&) override {
        if (folderHeldByAnother) return FolderLock::HeldByAnother;
        ++folderLocksHeld;
        return FolderLock::Acquired;
    }
    void unlockProgramFolder() override { --folderLocksHeld; }
};

}  // namespace rq::test
