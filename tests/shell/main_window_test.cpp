// SPDX-License-Identifier: MIT
// The main window as start-up builds it: first start, the field panel, the width entries, the
// properties and settings commands, a whole conversion through the buttons, and the end of run.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <functional>

#include "base/palm_database_layout.h"
#include "base/path.h"
#include "engine/jobs.h"
#include "engine/plain_host.h"
#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/folder_browser.h"
#include "shell/font_scale.h"
#include "shell/log_window.h"
#include "shell/progress_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/splash_window.h"
#include "shell/window_host.h"
#include "shell_test_support.h"
#include "support/widget_tree.h"

using namespace rq;
using rq::test::WindowFixture;

namespace {

QString inFolder(const WindowFixture& f, std::string_view name) {
    return QString::fromStdString(joinPath(f.programFolder(), name));
}

QString exchangeFolder(const WindowFixture& f) {
    return inFolder(f, "Import and Export");
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void firstStartShowsTheFactoryDefaults() {
        WindowFixture f;
        MainWindow& window = f.open();
        for (int n = 1; n <= kFieldCount; ++n) {
            const auto* box = f.child<QCheckBox*>(QStringLiteral("CBfn%1").arg(n));
            const auto* entry = f.child<QLineEdit*>(QStringLiteral("EDfn%1").arg(n));
            // Captions (bold for popup fields) and widths: the golden tree of the first start.
            QCOMPARE(box->isChecked(), n <= 15);
            QCOMPARE(box->property("Tag").toInt(), n);
            QCOMPARE(entry->property("Tag").toInt(), n);
        }
        QVERIFY(f.child<QCheckBox*>("CBJfileLock")->isChecked());
        const std::string exchange = joinPath(f.programFolder(), "Import and Export");
        const Strategy& strategy = window.settings().strategy;
        QCOMPARE(strategy.endNoteFolder, exchange);
        QCOMPARE(strategy.palmInstallFolder, exchange);
        QCOMPARE(strategy.palmBackupFolder, exchange);
        QCOMPARE(strategy.hotSyncId, std::string("0000"));
        // The factory-default file and both working folders now lie beside the program.
        QVERIFY(QFile::exists(inFolder(f, "Strat.jfp")));
        QVERIFY(QDir(inFolder(f, "RQWork")).exists());
        QVERIFY(QDir(exchangeFolder(f)).exists());
        QCOMPARE(window.context().workFolder, joinPath(f.programFolder(), "RQWork"));
    }

    void everyWindowIsLaidOutAsItsGoldenTree() {
        WindowFixture f;
        MainWindow& window = f.open();
        SplashWindow splash;
        FolderBrowser browser(
            QStringLiteral("Palm Install Folder\n(Usually c:\\palm\\yourname\\Install)"),
            QString());
        const std::pair<const char*, QWidget*> windows[] = {
            {"main_window", &window},
            {"settings_dialog", window.settingsDialog()},
            {"field_properties_dialog", window.fieldDialog()},
            {"progress_dialog", window.progressDialog()},
            {"converter_error_dialog", window.errorDialog()},
            {"about_box", window.aboutBox()},
            {"log_window", window.logWindow()},
            {"splash_window", &splash},
            {"folder_browser", &browser},
        };
        // Every dialog exists once.
        QVERIFY(window.fieldDialog() && window.settingsDialog() && window.errorDialog() &&
                window.progressDialog() && window.aboutBox() && window.logWindow());
        for (const auto& [name, shown] : windows) {
            // Layouts place their widgets when the window is shown and its events are handled.
            shown->show();
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            const QString difference =
                test::widgetTreeDifference(*shown, QString::fromLatin1(name));
            shown->hide();
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        QVERIFY(!window.windowIcon().isNull());
        QCOMPARE(window.statusPanelText(0), QString());
        QCOMPARE(window.statusPanelText(1), QString());
    }

    // A larger font: every window grows with it (at 150% its own golden trees) and no text is
    // wider or taller than its control.
    void nothingIsClippedAtALargerFont_data() {
        QTest::addColumn<int>("percent");
        QTest::newRow("125%") << 125;
        QTest::newRow("150%") << 150;
        QTest::newRow("200%") << 200;
    }

    void nothingIsClippedAtALargerFont() {
        QFETCH(int, percent);
        struct FontGuard {
            QFont standard = QApplication::font();
            ~FontGuard() { QApplication::setFont(standard); }
        } guard;
        QFont large = guard.standard;
        large.setPixelSize(kStandardFontPixels * percent / 100);
        QApplication::setFont(large);
        WindowFixture f;
        MainWindow& window = f.open();
        SplashWindow splash;
        FolderBrowser browser(QStringLiteral("Title"), QString());
        const std::pair<const char*, QWidget*> windows[] = {
            {"main_window", &window},
            {"settings_dialog", window.settingsDialog()},
            {"field_properties_dialog", window.fieldDialog()},
            {"progress_dialog", window.progressDialog()},
            {"converter_error_dialog", window.errorDialog()},
            {"about_box", window.aboutBox()},
            {"log_window", window.logWindow()},
            {"splash_window", &splash},
            {"folder_browser", &browser},
        };
        window.progressDialog()->setPrefixLine(QStringLiteral("Waiting for Jconvpro to finish"));
        window.progressDialog()->setRecordNumber(99999);
        QStringList clipped;
        for (const auto& [name, shown] : windows) {
            shown->show();
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            if (percent == 150) {
                const QString difference =
                    test::widgetTreeDifference(*shown, QString::fromLatin1(name) + "_150");
                QVERIFY2(difference.isEmpty(), qPrintable(difference));
            }
            for (const QString& text : test::clippedTexts(*shown))
                clipped << QString::fromLatin1(name) + QLatin1Char('/') + text;
            shown->hide();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join('\n')));
    }

    void existingWorkingFoldersAreLeftAlone() {
        WindowFixture f;
        QVERIFY(QDir().mkpath(inFolder(f, "RQWork")));
        QFile kept(QString::fromStdString(joinPath(joinPath(f.programFolder(), "RQWork"), "keep")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("x");
        kept.close();
        f.open();
        QVERIFY(kept.exists());
    }

    void widthEntryIsChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("messages");
        QTest::newRow("5") << "5"
                           << "5" << 0;
        QTest::newRow("3990") << "3990"
                              << "3990" << 0;
        QTest::newRow("4") << "4"
                           << "3990" << 1;
        QTest::newRow("3991") << "3991"
                              << "3990" << 1;
        QTest::newRow("letters") << "12a"
                                 << "3990" << 2;
    }

    void widthEntryIsChecked() {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(int, messages);
        WindowFixture f;
        MainWindow& window = f.open();
        f.prompts.clearShownMessages();
        auto* entry = f.child<QLineEdit*>("EDfn12");
        entry->setText(typed);
        QCOMPARE(window.checkLengthEntry(12), messages == 0);
        QCOMPARE(entry->text(), after);
        const QStringList shown = f.messageTexts();
        QCOMPARE(shown.size(), messages);
        if (messages > 0) {
            QCOMPARE(shown.last(), QStringLiteral("Field Size must be between 5 and 3990"));
        }
        if (messages == 2) {
            QCOMPARE(shown.first(), QStringLiteral("'12a' is not a valid integer value"));
        }
    }

    void leavingABadWidthKeepsTheFocus() {
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        f.prompts.clearShownMessages();
        auto* entry = f.child<QLineEdit*>("EDfn3");
        entry->setFocus();
        entry->setText(QStringLiteral("4"));
        f.child<QLineEdit*>("EDfn4")->setFocus(Qt::TabFocusReason);
        QVERIFY(entry->hasFocus());
        QCOMPARE(entry->text(), QStringLiteral("3990"));
        QCOMPARE(f.messageTexts(),
                 QStringList{QStringLiteral("Field Size must be between 5 and 3990")});
        entry->setText(QStringLiteral("200"));
        f.child<QLineEdit*>("EDfn4")->setFocus(Qt::TabFocusReason);
        QVERIFY(f.child<QLineEdit*>("EDfn4")->hasFocus());
        QCOMPARE(entry->text(), QStringLiteral("200"));
    }

    void propertiesMakeTheCaptionBoldAndNormal() {
        WindowFixture f;
        MainWindow& window = f.open();
        auto* author = f.child<QCheckBox*>("CBfn2");
        QVERIFY(!author->font().bold());
        auto choose = [&](int item) {
            f.prompts.setNextDialogHandler([item](QDialog& dialog) {
                dialog
                    .findChild<QRadioButton*>(QStringLiteral("RadioGroupFldTypesItem%1").arg(item))
                    ->setChecked(true);
                dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
                return dialog.result();
            });
            // The right mouse button opens the popup menu; its one entry opens the dialog.
            Q_EMIT author->customContextMenuRequested(QPoint(2, 2));
            auto* popup = f.child<QMenu*>("PopupField");
            QCOMPARE(popup->actions().size(), 1);
            QCOMPARE(popup->actions()[0]->text(), QStringLiteral("Properties"));
            popup->actions()[0]->trigger();
            popup->hide();
        };
        choose(1);
        QVERIFY(author->font().bold());
        QCOMPARE(window.settings().strategy.slots[2].fieldType, std::int32_t(NormalPopup));
        QCOMPARE(window.fieldDialog()->windowTitle(),
                 QStringLiteral(" Set JFile Field attributes for Author"));
        choose(0);
        QVERIFY(!author->font().bold());
        QCOMPARE(window.settings().strategy.slots[2].fieldType, std::int32_t(String));
    }

    void settingsAndAboutFromTheMenu() {
        WindowFixture f;
        MainWindow& window = f.open();
        f.prompts.setNextDialogHandler([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("EditHSId"))
                ->setText(QStringLiteral("4711"));
            return int(QDialog::Accepted);
        });
        f.child<QAction*>("Settings1")->trigger();
        QCOMPARE(window.settings().strategy.hotSyncId, std::string("4711"));
        f.prompts.setNextDialogHandler([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("EditHSId"))->setText(QStringLiteral("1"));
            return int(QDialog::Rejected);
        });
        f.child<QAction*>("Settings1")->trigger();
        QCOMPARE(window.settings().strategy.hotSyncId, std::string("4711"));

        std::vector<QDialog*> shown;
        QStringList versions;
        for (int i = 0; i < 2; ++i) {
            f.prompts.setNextDialogHandler([&](QDialog& dialog) {
                shown.push_back(&dialog);
                versions << dialog.findChild<QLabel*>(QStringLiteral("Version"))->text();
                return int(QDialog::Accepted);
            });
            f.child<QAction*>("Help")->trigger();
        }
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0], static_cast<QDialog*>(window.aboutBox()));
        QCOMPARE(shown[1], shown[0]);
        QCOMPARE(versions, (QStringList{"Version 1.0.5", "Version 1.0.5"}));
    }

    void closingWritesStrategyAndLog() {
        WindowFixture f;
        MainWindow& window = f.open();
        f.child<QCheckBox*>("CBfn20")->setChecked(true);
        f.child<QLineEdit*>("EDfn4")->setText(QStringLiteral("250"));
        QFile::remove(inFolder(f, "Strat.jfp"));
        QVERIFY(window.close());
        QVERIFY(QFile::exists(inFolder(f, "Strat.jfp")));

        // Read back by a second window in the same folder.
        MainWindow again(f.system, f.programFolder(), f.prompts);
        QVERIFY(again.fieldTicked(20));
        QCOMPARE(again.widthText(4), std::string("250"));
        QVERIFY(!again.fieldTicked(21));

        const QByteArray log = rq::test::readAll(inFolder(f, "Log.txt"));
        QCOMPARE(log, QByteArray(" \r\nProgram location:  ") +
                          QByteArray::fromStdString(f.programFolder()) + "\r\n");
    }

    void droppedFilesStartTheJobOfTheirKind() {
        WindowFixture f;
        QVERIFY(
            QFile::copy(QStringLiteral(RQ_BIN_DIR "/jconvpro.exe"), inFolder(f, "jconvpro.exe")));
        QFile::setPermissions(inFolder(f, "jconvpro.exe"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainWindow& window = f.open();
        f.system.realClock = true;
        window.show();
        const QString source = exchangeFolder(f) + QStringLiteral("/dropped.txt");
        QVERIFY(QFile::copy(QStringLiteral(RQ_TEST_DATA_DIR "/jobs/three-refs.txt"), source));
        f.prompts.clearShownMessages();
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(source)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QTRY_VERIFY(window.statusPanelText(1).startsWith(
            QStringLiteral("3 Records Transferred to  JFile")));
        QTRY_VERIFY(!window.conversionRunning());
        // No file dialog: the dropped file is the choice. A database goes the other way.
        QVERIFY(f.prompts.fileRequests().empty());
        const QString pdb = exchangeFolder(f) + QStringLiteral("/RQ-dropped.PDB");
        QVERIFY(QFile::exists(pdb));
        window.convertFiles({pdb});
        QCOMPARE(window.statusPanelText(1), QStringLiteral("3 Records Transferred to EndNote"));
        QVERIFY(QFile::exists(exchangeFolder(f) + QStringLiteral("/RQ-dropped.tsv")));
        QVERIFY(f.prompts.fileRequests().empty());
        QVERIFY2(f.prompts.shownMessages().empty(), qPrintable(f.messageTexts().join('|')));
    }

    void conversionRunsFromTheButton() {
        WindowFixture f;
        QVERIFY(
            QFile::copy(QStringLiteral(RQ_BIN_DIR "/jconvpro.exe"), inFolder(f, "jconvpro.exe")));
        QFile::setPermissions(inFolder(f, "jconvpro.exe"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainWindow& window = f.open();
        f.system.realClock = true;
        window.show();
        const QString source = exchangeFolder(f) + QStringLiteral("/three-refs.txt");
        QVERIFY(QFile::copy(QStringLiteral(RQ_TEST_DATA_DIR "/jobs/three-refs.txt"), source));
        f.prompts.clearShownMessages();
        f.prompts.setNextFiles(QStringList{source});

        // Looked at from inside the run, when the job lets events through.
        bool sawRun = false, buttonsOff = true, menuOff = true, fieldsOff = true,
             progressUp = false;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (!window.conversionRunning()) return;
            sawRun = true;
            buttonsOff &= !f.child<QPushButton*>("Btn2JF")->isEnabled() &&
                          !f.child<QPushButton*>("Btn2EN")->isEnabled();
            menuOff &= !f.child<QAction*>("Settings1")->isEnabled() &&
                       !f.child<QAction*>("Help")->isEnabled();
            fieldsOff &= !f.child<QCheckBox*>("CBfn1")->isEnabled() &&
                         !f.child<QLineEdit*>("EDfn1")->isEnabled() &&
                         !f.child<QCheckBox*>("CBJfileLock")->isEnabled();
            progressUp |= window.progressDialog()->isVisible();
        });
        probe.start();
        QTest::mouseClick(f.child<QPushButton*>("Btn2JF"), Qt::LeftButton);
        probe.stop();

        QVERIFY2(f.prompts.shownMessages().empty(),
                 qPrintable(f.messageTexts().join(QLatin1Char('|'))));
        QVERIFY(sawRun && buttonsOff && menuOff && fieldsOff && progressUp);
        QVERIFY(f.child<QPushButton*>("Btn2JF")->isEnabled());
        QVERIFY(f.child<QAction*>("Settings1")->isEnabled());
        QVERIFY(f.child<QCheckBox*>("CBfn1")->isEnabled());
        QVERIFY(!window.progressDialog()->isVisible());
        QVERIFY(!window.conversionRunning());
        QCOMPARE(f.prompts.fileRequests().size(), std::size_t(1));
        QCOMPARE(f.prompts.fileRequests()[0].startFolder, exchangeFolder(f));
        QCOMPARE(f.prompts.fileRequests()[0].filter,
                 QStringLiteral("Endnote Export files(REVuz) (*.txt);;RIS files (*.ris);;"
                                "BibTeX files (*.bib);;CSL-JSON files (*.json);;"
                                "All reference files (*.txt *.ris *.bib *.json)"));

        QVERIFY(window.statusPanelText(1).startsWith(
            QStringLiteral("3 Records Transferred to  JFile")));
        const QString pdb = exchangeFolder(f) + QStringLiteral("/RQ-three-refs.PDB");
        QVERIFY(QFileInfo(pdb).size() > static_cast<qint64>(rq::kPdbHeaderSize));
        const std::vector<std::string> log = window.host().logLines();
        QVERIFY(std::find(log.begin(), log.end(), "EndNote to JFile") != log.end());
        QVERIFY(std::find(log.begin(), log.end(), "3 Records Transferred to  JFile") != log.end());
        auto* memo = f.child<QPlainTextEdit*>("MemoLog");
        memo->show();
        QCOMPARE(memo->toPlainText().count(QLatin1Char('\n')) + 1, qsizetype(log.size()));

        // The work files, named after the export.
        const QString csvPath = inFolder(f, "RQWork") + QStringLiteral("/three-refs.csv");
        const QString ifoPath = inFolder(f, "RQWork") + QStringLiteral("/three-refs.IFO");
        const QByteArray csv = rq::test::readAll(csvPath);
        const QByteArray ifo = rq::test::readAll(ifoPath);
        QVERIFY(!csv.isEmpty() && !ifo.isEmpty());

        // And back: the database becomes an EndNote import file in the EndNote folder.
        f.prompts.setNextFiles(QStringList{pdb});
        QTest::mouseClick(f.child<QPushButton*>("Btn2EN"), Qt::LeftButton);
        QVERIFY2(f.prompts.shownMessages().empty(),
                 qPrintable(f.messageTexts().join(QLatin1Char('|'))));
        QCOMPARE(f.prompts.fileRequests().size(), std::size_t(2));
        QCOMPARE(f.prompts.fileRequests()[1].filter,
                 QStringLiteral("Refquill PDB  File (RQ-*.PDB) (RQ-*.PDB);;All PDB files (*.pdb)"));
        QCOMPARE(window.statusPanelText(1), QStringLiteral("3 Records Transferred to EndNote"));
        const QByteArray imported = rq::test::readAll(exchangeFolder(f) + "/RQ-three-refs.tsv");
        QVERIFY(imported.startsWith("*GENERIC\r\n"));
        QCOMPARE(imported.count("\r\n"), 5);
        QVERIFY(!window.progressDialog()->isVisible());
        QVERIFY(f.child<QPushButton*>("Btn2EN")->isEnabled());
        QCOMPARE(f.system.folderLocksHeld, 0);  // held for each run, released after it

        // While refquill-cli converts in the same folder, neither button starts a job.
        f.system.folderHeldByAnother = true;
        f.prompts.clearShownMessages();
        for (const char* button : {"Btn2JF", "Btn2EN"})
            QTest::mouseClick(f.child<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(f.prompts.fileRequests().size(), std::size_t(2));
        QCOMPARE(f.messageTexts().size(), 2);
        QVERIFY(
            f.messageTexts()[0].startsWith(QStringLiteral("Another conversion is running in ")));
        QCOMPARE(window.statusPanelText(1), QStringLiteral("3 Records Transferred to EndNote"));

        // The headless services give the same files and log lines.
        PlainHost plain;
        InMemoryStrategyWindow memory;
        ConversionContext headless(plain, f.system, memory);
        headless.setProgramFolder(f.programFolder());
        UserSettings settings = window.settings();
        OutputFile output(&f.system);
        showInWindow(settings.strategy, memory);
        QFile::remove(pdb);
        rq::convertEndNoteToJFile(headless, settings, output,
                                  std::vector<std::string>{source.toStdString()});
        QVERIFY2(plain.messages.empty(),
                 plain.messages.empty() ? "" : plain.messages.front().text.c_str());
        QCOMPARE(plain.log, log);
        QCOMPARE(rq::test::readAll(csvPath), csv);
        QCOMPARE(rq::test::readAll(ifoPath), ifo);
        QVERIFY(QFile::exists(pdb));
    }

    // The host turns each event into the progress dialog's look, the status bar and the log.
    void hostShowsTheEventsInTheWindows() {
        WindowFixture f;
        MainWindow& window = f.open();
        WindowHost& host = window.host();
        ProgressDialog& dialog = *window.progressDialog();
        const QString working = QStringLiteral("Working on Record number");
        const QString waiting = QStringLiteral("Waiting for Jconvpro to finish");
        const std::string source = joinPath(joinPath(f.programFolder(), "in"), "refs.txt");
        struct Step {
            std::function<void()> event;
            bool shown;
            const char* panel;
            QString prefix;
            bool recordShown;
            bool barShown;
            int bar;
        };
        const Step steps[] = {
            {[&] { host.phaseStarted(ProgressPhase::EndNoteToCsv, source); }, true, "Panel5",
             working, true, false, 1},
            {[&] { host.recordReached(7); }, true, "Panel5", working, true, false, 1},
            {[&] { host.converterQueued(); }, true, "Panel5", working, true, true, 3},
            {[&] { host.converterStarted(ProgressPhase::CsvToJFile); }, true, "Panel1", waiting,
             false, true, 3},
            {[&] { host.converterRunning(5); }, true, "Panel1", waiting, false, true, 7},
            {[&] { host.progressEnded(); }, false, "Panel1", waiting, false, true, 7},
            {[&] { host.phaseStarted(ProgressPhase::JFileToCsv, source); }, true, "Panel2", working,
             true, false, 7},
            {[&] { host.converterStarted(ProgressPhase::JFileToCsv); }, true, "Panel2", waiting,
             false, false, 7},
            {[&] { host.phaseStarted(ProgressPhase::CsvToEndNote, source); }, true, "Panel4",
             working, true, false, 7},
        };
        for (const Step& step : steps) {
            step.event();
            QCOMPARE(dialog.isVisible(), step.shown);
            for (const char* panel : {"Panel5", "Panel1", "Panel2", "Panel4"}) {
                QCOMPARE(dialog.findChild<QFrame*>(panel)->isVisibleTo(&dialog),
                         qstrcmp(panel, step.panel) == 0);
            }
            QCOMPARE(dialog.findChild<QLabel*>("LabelPrefix")->text(), step.prefix);
            QCOMPARE(dialog.findChild<QLabel*>("LabelRec")->isVisibleTo(&dialog), step.recordShown);
            QCOMPARE(dialog.findChild<QFrame*>("PanelBar")->isVisibleTo(&dialog), step.barShown);
            QCOMPARE(dialog.findChild<QProgressBar*>("ProgBarJF")->value(), step.bar);
        }
        QCOMPARE(dialog.findChild<QLabel*>("LabelRec")->text(), QStringLiteral("7"));
        QVERIFY(
            dialog.findChild<QLabel*>("LabelFName")->text().endsWith(QStringLiteral("refs.txt")));

        host.setStatusText("3 Records Transferred to  JFile");
        QCOMPARE(window.statusPanelText(1), QStringLiteral("3 Records Transferred to  JFile"));
        host.appendLog("caf\xe9");
        QCOMPARE(host.logLines().back(), std::string("caf\xe9"));
        // The hidden log area gets no line; shown, it holds every one.
        host.progressEnded();
        auto* memo = f.child<QPlainTextEdit*>("MemoLog");
        QVERIFY(memo->toPlainText().isEmpty());
        window.show();
        memo->show();
        QVERIFY(memo->toPlainText().endsWith(QStringLiteral("caf\u00e9")));
        QCOMPARE(memo->blockCount(), qsizetype(host.logLines().size()));
        // Visible, lines reach it together: when events are processed, or before anything else
        // is shown.
        host.appendLog("second");
        host.progressEnded();
        QVERIFY(memo->toPlainText().endsWith(QStringLiteral("caf\u00e9\nsecond")));

        // Many lines and record numbers between pumps: all of them, in order, one line each.
        const int blocks = memo->blockCount();
        QString expected;
        for (int i = 1; i <= 300; ++i) {
            host.appendLog("line " + std::to_string(i));
            expected += QStringLiteral("\nline %1").arg(i);
            host.recordReached(i);
            host.pumpEvents();
        }
        QTest::qWait(WindowHost::kPumpIntervalMs + 5);
        host.pumpEvents();
        QCOMPARE(memo->blockCount(), blocks + 300);
        QVERIFY(memo->toPlainText().endsWith(expected));
        QCOMPARE(dialog.findChild<QLabel*>("LabelRec")->text(), QStringLiteral("300"));
    }

    void closeDuringAConversionWaitsForItsEnd() {
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        bool closedInside = true;
        // The file choice is the first thing the job shows; the user closes the window there
        // and agrees to stop the conversion.
        f.prompts.setNextFiles(std::nullopt);
        f.prompts.setNextAnswer(true);
        QTimer::singleShot(0, &window, [&] {
            window.close();
            closedInside = !window.isVisible();
        });
        QFile::remove(inFolder(f, "Log.txt"));
        // The job's first look at events comes after the pump's pause.
        QTest::qSleep(int(WindowHost::kPumpIntervalMs) + 5);
        window.convertEndNoteToJFile();
        QVERIFY(!closedInside);
        QVERIFY(!window.isVisible());
        QVERIFY(QFile::exists(inFolder(f, "Log.txt")));
    }

    void pumpRunsEventsOnlyEveryFewMilliseconds() {
        WindowFixture f;
        MainWindow& window = f.open();
        int ran = 0;
        auto post = [&] {
            QMetaObject::invokeMethod(
                &window, [&] { ++ran; }, Qt::QueuedConnection);
        };
        QTest::qSleep(int(WindowHost::kPumpIntervalMs) + 5);
        post();
        window.host().pumpEvents();
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        QCOMPARE(ran, 1);
        post();
        for (int i = 0; i < 10000; ++i) window.host().pumpEvents();
        // Unless the machine stalled for the whole pause, the calls only looked at the clock.
        if (sinceEvents.elapsed() < WindowHost::kPumpIntervalMs) QCOMPARE(ran, 1);
        QTest::qSleep(int(WindowHost::kPumpIntervalMs) + 5);
        window.host().pumpEvents();
        QCOMPARE(ran, 2);
    }

    void splashWindowIsBorderless() {
        initShellResources();
        SplashWindow splash;
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
