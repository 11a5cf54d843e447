// Saves a picture of every window and dialog (offscreen), so that a change of layout code can be
// checked pixel for pixel against the pictures taken before it. Not a test: run by hand,
//   QT_QPA_PLATFORM=offscreen grab_windows <folder>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/progress_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/splash_window.h"
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

    f.prompts.setNextDialogHandler(grabber(QStringLiteral("about")));
    window.HelpClick();
    // Fixed folders: the program folder is a new temporary one each time.
    Strategy& strategy = window.context().strategy;
    strategy.endNoteFolder = "/home/user/Refquill/Import and Export";
    strategy.palmInstallFolder = "/home/user/Palm/Install";
    strategy.palmBackupFolder = "/home/user/Palm/Backup";
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("settings")));
    window.Settings1Click();
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
    progress.setConverterPhase('1');
    save(progress, QStringLiteral("progress_csv_jfile"));
    progress.setConverterPhase('2');
    save(progress, QStringLiteral("progress_jfile_csv"));
    progress.hideProgress();

    QTemporaryDir logFolder;
    const QString log = logFolder.filePath(QStringLiteral("jconvpro.err"));
    QFile file(log);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the log");
    file.write("line 1: field count differs\r\nline 7: value too long\r\n");
    file.close();
    f.prompts.setNextDialogHandler(grabber(QStringLiteral("error_report")));
    window.showLog(log.toStdString());
    return 0;
}
