// SPDX-License-Identifier: MIT
// A way out of a conversion: the progress dialog's Cancel while the converter runs, and closing
// the main window during a conversion. The converter is a stand-in that takes its time.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "base/path.h"
#include "gui_suites.h"
#include "shell/progress_dialog.h"
#include "shell/window_host.h"
#include "shell_test_support.h"

using namespace rq;
using rq::test::named;
using rq::test::WindowFixture;

namespace {

const QString kStopQuestion = QStringLiteral("A conversion is running. Stop it and quit?");

QString inFolder(const WindowFixture& f, const QString& name) {
    return QString::fromStdString(f.programFolder()) + QLatin1Char('/') + name;
}

// A window whose converter sleeps for seconds, and export files to give it.
QStringList slowConversionSetUp(WindowFixture& f, int files) {
    const QString converter = inFolder(f, QStringLiteral("jconvpro.exe"));
    if (!QFile::copy(QStringLiteral(RQ_BIN_DIR "/rq_fake_jconv_slow" RQ_EXE_SUFFIX), converter))
        return {};
    QFile::setPermissions(converter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    f.open();
    f.system.realClock = true;
    f.window->show();
    QStringList sources;
    for (int i = 0; i < files; ++i) {
        const QString source = inFolder(f, QStringLiteral("Import and Export/refs%1.txt").arg(i));
        if (!QFile::copy(QStringLiteral(RQ_TEST_DATA_DIR "/jobs/three-refs.txt"), source))
            return {};
        sources << source;
    }
    return sources;
}

// Counts the converter runs the progress dialog shows, and acts at the start of each.
struct ConverterWatch {
    QTimer probe;
    int runsSeen = 0;
    bool shownBefore = false;

    ConverterWatch(ProgressDialog& progress, std::function<void(int)> atStart) {
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [this, &progress, atStart] {
            const bool shown = progress.isVisible() && progress.cancelShown();
            if (shown && !shownBefore) atStart(++runsSeen);
            shownBefore = shown;
        });
        probe.start();
    }
};

int count(const std::vector<std::string>& lines, const std::string& line) {
    return int(std::count(lines.begin(), lines.end(), line));
}

}  // namespace

class ConversionStopTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void cancelAsksOnceAndHidesWithTheDialog() {
        ProgressDialog progress{QFont()};
        QSignalSpy asked(&progress, &ProgressDialog::cancelRequested);
        progress.showProgress();
        QVERIFY(!progress.cancelShown());
        progress.showCancel(true);
        auto* cancel = named<QPushButton*>(progress, QStringLiteral("CancelBtn"));
        QVERIFY(cancel->isVisible());
        cancel->click();
        cancel->click();  // a second press does nothing more
        QCOMPARE(asked.count(), 1);
        QVERIFY(!cancel->isEnabled());
        progress.hideProgress();
        QVERIFY(!progress.cancelShown());
        // The next run's button can be pressed again.
        progress.showProgress();
        progress.showCancel(true);
        QVERIFY(cancel->isEnabled());
    }

    void cancelStopsEachFileAndTheJobGoesOn() {
        WindowFixture f;
        const QStringList sources = slowConversionSetUp(f, 2);
        QCOMPARE(sources.size(), 2);
        MainWindow& window = *f.window;
        f.prompts.setNextFiles(sources);
        ConverterWatch watch(*window.progressDialog(), [&](int) {
            named<QPushButton*>(*window.progressDialog(), QStringLiteral("CancelBtn"))->click();
        });
        QElapsedTimer clock;
        clock.start();
        window.convertEndNoteToJFile();
        // Both converters were stopped long before their three seconds.
        QCOMPARE(watch.runsSeen, 2);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(window.statusPanelText(1), QStringLiteral("Conversion cancelled"));
        QCOMPARE(count(window.host().logLines(), "Conversion cancelled"), 2);
        QVERIFY(!QFile::exists(inFolder(f, QStringLiteral("Import and Export/RQ-refs0.PDB"))));
        QVERIFY(!QFile::exists(inFolder(f, QStringLiteral("Import and Export/RQ-refs1.PDB"))));
        QVERIFY(window.isVisible());
        QVERIFY(!window.progressDialog()->isVisible());
    }

    void closingDuringTheConverterAsksAndStopsEverything() {
        WindowFixture f;
        const QStringList sources = slowConversionSetUp(f, 2);
        QCOMPARE(sources.size(), 2);
        MainWindow& window = *f.window;
        f.prompts.setNextFiles(sources);
        f.prompts.setNextAnswer(true);
        QFile::remove(inFolder(f, QStringLiteral("Log.txt")));
        bool closedAtOnce = true;
        ConverterWatch watch(*window.progressDialog(), [&](int) {
            window.close();
            closedAtOnce = !window.isVisible();
        });
        window.convertEndNoteToJFile();
        QCOMPARE(f.prompts.questions(), QStringList{kStopQuestion});
        // The first converter was stopped, the second file never started, and the window
        // closed once the job had ended, writing the log as at every end.
        QCOMPARE(watch.runsSeen, 1);
        QVERIFY(!closedAtOnce);
        QVERIFY(!window.isVisible());
        QVERIFY(QFile::exists(inFolder(f, QStringLiteral("Log.txt"))));
        QCOMPARE(count(window.host().logLines(), "Conversion cancelled"), 1);
    }

    // The window's own controls are locked during a run: after "No" the keys go to Cancel, and
    // Escape there stops the converter.
    void answeringNoGivesCancelTheKeys() {
        WindowFixture f;
        const QStringList sources = slowConversionSetUp(f, 1);
        QCOMPARE(sources.size(), 1);
        MainWindow& window = *f.window;
        ProgressDialog& progress = *window.progressDialog();
        auto* cancel = named<QPushButton*>(progress, QStringLiteral("CancelBtn"));
        f.prompts.setNextFiles(sources);
        f.prompts.setNextAnswer(false);
        bool cancelHasKeys = false;
        ConverterWatch watch(progress, [&](int) {
            // The question's box leaves the main window active when it closes.
            auto waitFor = [](const std::function<bool()>& done) {
                for (int i = 0; i < 200 && !done(); ++i) {
                    QCoreApplication::processEvents();
                    QTest::qSleep(5);
                }
            };
            window.activateWindow();
            waitFor([&] { return QApplication::activeWindow() == &window; });
            window.close();
            waitFor([&] { return QApplication::focusWidget() == cancel; });
            cancelHasKeys = QApplication::focusWidget() == cancel;
            // The key reaches the dialog through the button, as a user's would.
            if (cancelHasKeys) {
                QTest::keyClick(cancel, Qt::Key_Escape);
            } else {
                cancel->click();
            }
        });
        window.convertEndNoteToJFile();
        QVERIFY(cancelHasKeys);
        QCOMPARE(window.statusPanelText(1), QStringLiteral("Conversion cancelled"));
        QVERIFY(window.isVisible());
    }

    void answeringNoLetsTheConversionFinish() {
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        // The file choice is the first thing the job shows; the user tries to close there.
        f.prompts.setNextFiles(std::nullopt);
        f.prompts.setNextAnswer(false);
        QTimer::singleShot(0, &window, [&] { window.close(); });
        QTest::qSleep(20);  // the job's first look at events comes after the pump's pause
        window.convertEndNoteToJFile();
        QCOMPARE(f.prompts.questions(), QStringList{kStopQuestion});
        QVERIFY(window.isVisible());
        QVERIFY(!window.conversionRunning());
    }
};

RQ_GUI_SUITE(ConversionStopTest);
#include "conversion_stop_test.moc"
