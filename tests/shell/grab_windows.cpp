// SPDX-License-Identifier: MIT
// Saves a picture of every window and dialog (offscreen), so that a change of layout code can be
// checked pixel for pixel against the pictures taken before it. Not a test: run by hand,
//   QT_QPA_PLATFORM=offscreen grab_windows <folder> [<jconvpro.exe>]
// With the converter it also converts an export of 13,083 records and saves the main window.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>

#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/progress_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/splash_window.h"
#include "shell/window_host.h"
#include "shell_test_support.h"

using namespace rq;

namespace {

QString outFolder;

void save(QWidget& window, const QString& name) {
    window.show();
    QApplication::processEvents();
    const QString path = QDir(outFolder).filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) qFatal("cannot write %s", qPrintable(path));
}

Prompts::DialogHandler grabber(const QString& name) {
    return [name](QDialog& dialog) {
        save(dialog, name);
        dialog.hide();
        return int(QDialog::Rejected);
    };
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) qFatal("usage: grab_windows <folder>");
    outFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outFolder);

    test::WindowFixture f;
    {
        SplashWindow splash;
        save(splash, QStringLiteral("splash"));
    }
    MainWindow& window = f.open();
    save(window, QStringLiteral("main"));
    auto* fieldMenu = window.findChild<QMenu*>(QStringLiteral("PopupField"));
    if (fieldMenu == nullptr) qFatal("no field menu");
    save(*fieldMenu, QStringLiteral("field_menu"));
    fieldMenu->hide();

    f.prompts.setNextDialogHandler(grabber(QStringLiteral("about")));
    window.showAboutBox();
    // Fixed folders: the program folder is a new temporary one each time.
    Strategy& strategy = window.settings().strategy;
    strategy.endNoteFolder = "/home/user/Refquill/Import and Export";
    strategy.palmInstallFolder = "/home/user/Palm/Install";
    strategy.palmBackupFolder = "/home/user/Palm/Backup";
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("settings")));
    window.showSettings();
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("field1")));
    window.showFieldProperties(1);
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("field2")));
    window.showFieldProperties(2);

    ProgressDialog& progress = *window.progressDialog();
    progress.setSourceFile(QStringLiteral("/home/user/References/exports/library.txt"));
    progress.setPrefixLine(QStringLiteral("Working on Record number"));
    progress.showRecordLabel(true);
    progress.setRecordNumber(1234);
    progress.showBar(false);
    progress.showPhase(ProgressPhase::EndNoteToCsv);
    save(progress, QStringLiteral("progress_endnote_csv"));
    progress.showPhase(ProgressPhase::CsvToEndNote);
    save(progress, QStringLiteral("progress_csv_endnote"));
    progress.showBar(true);
    progress.stepProgress(40);
    // The converter's looks, as the host shows them.
    progress.setPrefixLine(QStringLiteral("Waiting for Jconvpro to finish"));
    progress.showRecordLabel(false);
    progress.showPhase(ProgressPhase::CsvToJFile);
    save(progress, QStringLiteral("progress_csv_jfile"));
    progress.showPhase(ProgressPhase::JFileToCsv);
    save(progress, QStringLiteral("progress_jfile_csv"));
    progress.hideProgress();

    QTemporaryDir logFolder;
    const QString log = logFolder.filePath(QStringLiteral("jconvpro.err"));
    QFile file(log);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the log");
    file.write("line 1: field count differs\r\nline 7: value too long\r\n");
    file.close();
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("error_report")));
    window.host().showLog(log.toStdString());

    // The field properties dialog after three presses of Tab from where it opens.
    f.prompts.setNextDialogHandler([](QDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) qFatal("the dialog did not become active");
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        save(dialog, QStringLiteral("field2_three_tabs"));
        dialog.hide();
        return int(QDialog::Rejected);
    });
    window.showFieldProperties(2);

    // The status bar after converting an export of 13,083 records, each with a value cut.
    if (argc > 2) {
        const QString converter = QString::fromLocal8Bit(argv[2]);
        const QString programFolder = QString::fromStdString(f.programFolder());
        if (!QFile::copy(converter, programFolder + QStringLiteral("/jconvpro.exe"))) {
            qFatal("cannot copy the converter");
        }
        QFile::setPermissions(programFolder + QStringLiteral("/jconvpro.exe"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile sample(QStringLiteral(RQ_TEST_DATA_DIR "/jobs/three-refs.txt"));
        if (!sample.open(QIODevice::ReadOnly)) qFatal("no sample export");
        const QByteArray three = sample.readAll();
        const QString source = programFolder + QStringLiteral("/Import and Export/big.txt");
        QFile big(source);
        if (!big.open(QIODevice::WriteOnly)) qFatal("cannot write the export");
        for (int i = 0; i < 13083 / 3; ++i) big.write(three);
        big.close();
        // The folders back in the program folder, and titles cut in every record.
        const std::string exchange = f.programFolder() + "/Import and Export";
        strategy.endNoteFolder = strategy.palmInstallFolder = strategy.palmBackupFolder = exchange;
        for (int n = 1; n <= 6; ++n) window.setWidthText(n, "5");
        f.system.realClock = true;
        f.prompts.setNextFiles(QStringList{source});
        // The window as the job locks it, at the first events the job lets through.
        QTimer::singleShot(0, &window, [&window] { save(window, QStringLiteral("main_running")); });
        window.convertEndNoteToJFile();
        save(window, QStringLiteral("main_after_13083"));
        std::printf("status: %s\nmessages: %s\n", qPrintable(window.statusPanelText(1)),
                    qPrintable(f.messageTexts().join(QLatin1Char('|'))));
    }
    return 0;
}
