#pragma once
// What the window tests share: a program folder of their own, the real system services with a
// clock that skips the start-up pause and with the registry and sync queue kept in memory, and
// a main window built the way start-up builds it.

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "engine/system_services.h"
#include "platform/platform.h"
#include "shell/main_window.h"
#include "shell/prompts.h"
#include "shell/startup.h"

namespace rq::test {

class TestSystem final : public SystemServices {
  public:
    TestSystem() : real_(createSystemServices()) {}

    // While fast, every look at the clock is a second later than the one before.
    bool fastClock = true;
    std::int64_t fakeNow = 1'000'000;
    std::vector<std::string> registryWrites;
    std::vector<std::string> queued;

    bool startProcess(const std::string& application, const std::string& commandLine,
                      bool highPriority, ProcessHandle& handle) override {
        return real_->startProcess(application, commandLine, highPriority, handle);
    }
    ProcessStatus pollProcess(ProcessHandle& handle) override { return real_->pollProcess(handle); }
    void releaseProcess(ProcessHandle& handle) override { real_->releaseProcess(handle); }
    std::string shortFolderPath(const std::string& folder) override {
        return real_->shortFolderPath(folder);
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        return real_->copyFile(from, to);
    }
    bool deleteFile(const std::string& path) override { return real_->deleteFile(path); }
    bool fileExists(const std::string& path) override { return real_->fileExists(path); }
    bool folderExists(const std::string& path) override { return real_->folderExists(path); }
    bool createFolders(const std::string& path) override { return real_->createFolders(path); }
    std::string currentFolder() override { return real_->currentFolder(); }
    std::int64_t nowSeconds() override { return fastClock ? fakeNow++ : real_->nowSeconds(); }
    RegistryResult writeUserDword(const std::string& keyPath, const std::string& valueName,
                                  std::uint32_t) override {
        registryWrites.push_back(keyPath + "|" + valueName);
        return RegistryResult::Ok;
    }
    void queueForHandheldInstall(const std::string& databasePath) override {
        queued.push_back(databasePath);
    }
    bool acquireInstanceLock(const std::string&) override { return true; }
    void releaseInstanceLock() override {}
    void beep(int, int) override {}

  private:
    std::unique_ptr<SystemServices> real_;
};

// One main window in a fresh program folder, messages answered automatically.
struct WindowFixture {
    QTemporaryDir folder;
    TestSystem system;
    Prompts prompts;
    std::unique_ptr<MainWindow> window;

    WindowFixture() {
        initShellResources();
        prompts.answerMessagesAutomatically(true);
    }
    std::string programFolder() const { return folder.path().toStdString(); }
    MainWindow& open() {
        window = std::make_unique<MainWindow>(system, programFolder(), prompts);
        window->createDialogs();
        return *window;
    }
    template <typename T>
    T child(const QString& name) const {
        T found = window->findChild<T>(name);
        if (found == nullptr) qFatal("no control named %s", qPrintable(name));
        return found;
    }
    template <typename T>
    T child(const char* name) const {
        return child<T>(QString::fromLatin1(name));
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& shown : prompts.shownMessages()) texts << shown.text;
        return texts;
    }
};

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace rq::test
