// SPDX-License-Identifier: MIT
#include "shell/startup.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <exception>
#include <memory>

#include "shell/command_line.h"
#include "shell/instance_channel.h"
#include "shell/main_window.h"
#include "shell/placement_memory.h"
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
    // The toolkit has taken its own options: what is left are files, or a mistake.
    const DesktopArguments arguments = parseDesktopArguments(QApplication::arguments());
    if (const int code = answerCommandLine(arguments, true); code >= 0) return code;
    QStringList files;
    for (const QString& file : arguments.files) files << QFileInfo(file).absoluteFilePath();
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

        // The main window and its dialogs open where the user left them.
        PlacementMemory placements(PlacementMemory::userSettingsPath());
        placements.watch(window);
        for (QDialog* dialog : window.findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly))
            placements.watch(*dialog);

        window.show();
        // Files named on the command line are converted as if dropped on the window.
        if (!files.isEmpty()) {
            QTimer::singleShot(0, &window, [&window, files] { window.convertFiles(files); });
        }
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
    // --help and --version need no window, no display and no lock.
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    if (const int code = answerCommandLine(parseDesktopArguments(raw), false); code >= 0)
        return code;
    if (!system.acquireInstanceLock(kInstanceLockName)) {
        announceSecondStart(argc, argv, system);
        return 0;
    }
    const int code = runWindows(argc, argv, system, folders);
    system.releaseInstanceLock();
    return code;
}

}  // namespace rq
