// SPDX-License-Identifier: MIT
#include "shell/startup.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <memory>

#include "shell/instance_channel.h"
#include "shell/main_window.h"
#include "shell/prompts.h"
#include "shell/splash_window.h"

// Q_INIT_RESOURCE must stand outside any namespace.
static void initRefquillResources() {
    Q_INIT_RESOURCE(refquill);
}

namespace rq {

void initShellResources() {
    static const bool once = (initRefquillResources(), true);
    (void)once;
}

namespace {

void showStandardError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Refquill"), text, QMessageBox::Ok);
    box.exec();
}

int runWindows(int& argc, char** argv, SystemServices& system, const ProgramFolders& folders) {
    QApplication app(argc, argv);
    try {
        initShellResources();
        auto splash = std::make_unique<SplashWindow>();
        splash->showAndPaint();
        QApplication::setApplicationName(QStringLiteral("Refquill"));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/refquill.png")));

        Prompts prompts;
        MainWindow window(system, folders, prompts);
        window.createDialogs();
        splash->hide();
        splash.reset();

        // A second start asks this window to come to the front.
        InstanceChannel channel(instanceChannelName());
        channel.listen();
        QObject::connect(&channel, &InstanceChannel::raiseRequested, &window,
                         [&window] { bringToFront(window); });

        window.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        showStandardError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showStandardError(QStringLiteral("Unknown error"));
    }
    return 0;
}

// The second start shows no window: it asks the running program to come to the front, sounds
// the beep and ends.
void announceSecondStart(int& argc, char** argv, SystemServices& system) {
    QApplication app(argc, argv);
    allowRunningProgramToRaise();
    InstanceChannel::askToRaise(instanceChannelName());
    soundSecondStart(system);
}

}  // namespace

int runDesktopProgram(int& argc, char** argv, SystemServices& system,
                      const ProgramFolders& folders) {
    if (!system.acquireInstanceLock(kInstanceLockName)) {
        announceSecondStart(argc, argv, system);
        return 0;
    }
    const int code = runWindows(argc, argv, system, folders);
    system.releaseInstanceLock();
    return code;
}

}  // namespace rq
