#include "shell/startup.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <memory>

#include "engine/path.h"
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

int runWindows(int& argc, char** argv, SystemServices& system, const std::string& programFolder) {
    QApplication app(argc, argv);
    try {
        initShellResources();
        auto splash = std::make_unique<SplashWindow>();
        splash->showAndPaint();
        QApplication::setApplicationName(QStringLiteral("Refquill"));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/refquill.png")));

        Prompts prompts;
        MainWindow window(system, programFolder, prompts);
        window.createDialogs();
        splash->hide();
        splash.reset();

        window.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        showStandardError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showStandardError(QStringLiteral("Unknown error"));
    }
    return 0;
}

}  // namespace

int runDesktopProgram(int& argc, char** argv, SystemServices& system,
                      const std::string& programPath) {
    if (!system.acquireInstanceLock(kInstanceLockName)) {
        system.beep(1000, 1000);
        return 0;
    }
    const std::string path = programPath.empty() && argc > 0 ? std::string(argv[0]) : programPath;
    const int code = runWindows(argc, argv, system, folderOf(path));
    system.releaseInstanceLock();
    return code;
}

}  // namespace rq
