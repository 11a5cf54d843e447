// SPDX-License-Identifier: MIT
#pragma once
// What the window tests share: a program folder of their own, the fake system services with the
// platform's real processes, and a main window built the way start-up builds it.

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
#include "support/fake_system.h"

namespace rq::test {

// The fake system with the platform's real processes, so that the converter really runs, and a
// clock that moves on a second at every look, so that the start-up pause takes no time.
struct WindowSystem : FakeSystem {
    std::unique_ptr<SystemServices> real = createSystemServices();
    WindowSystem() {
        processes = real.get();
        secondsPerLook = 1;
    }
};

// One main window in a fresh program folder, messages answered automatically.
struct WindowFixture {
    QTemporaryDir folder;
    WindowSystem system;
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
    return QByteArray::fromStdString(readFile(path.toStdString()));
}

}  // namespace rq::test
