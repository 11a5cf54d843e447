// SPDX-License-Identifier: MIT
// The habits of a desktop program: the command line, files that start a job, windows that open
// where they were left, the manual on F1, the folder browser opened at its folder, the About box.
#include <QDialog>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "gui_suites.h"
#include "shell/about_box.h"
#include "shell/command_line.h"
#include "shell/folder_browser.h"
#include "shell/manual_window.h"
#include "shell/placement_memory.h"
#include "shell_test_support.h"

using namespace rq;
using rq::test::named;
using rq::test::WindowFixture;
using Action = rq::DesktopArguments::Action;

class DesktopHabitsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("none") << QStringList{} << int(Action::Run) << QStringList{};
        QTest::newRow("files") << QStringList{"a.txt", "b.PDB"} << int(Action::Run)
                               << QStringList{"a.txt", "b.PDB"};
        QTest::newRow("--help") << QStringList{"--help"} << int(Action::Help) << QStringList{};
        QTest::newRow("-h beside a file")
            << QStringList{"a.txt", "-h"} << int(Action::Help) << QStringList{"a.txt"};
        QTest::newRow("--version")
            << QStringList{"--version"} << int(Action::Version) << QStringList{};
        QTest::newRow("help wins over an unknown option")
            << QStringList{"-platform", "offscreen", "--help"} << int(Action::Help)
            << QStringList{"offscreen"};
        QTest::newRow("unknown") << QStringList{"--bogus", "a.txt"} << int(Action::Error)
                                 << QStringList{"a.txt"};
        QTest::newRow("after --") << QStringList{"--", "--help"} << int(Action::Run)
                                  << QStringList{"--help"};
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, files);
        const DesktopArguments parsed = parseDesktopArguments(QStringList{"refquill"} + arguments);
        QCOMPARE(int(parsed.action), action);
        QCOMPARE(parsed.files, files);
        QCOMPARE(parsed.error.isEmpty(), action != int(Action::Error));
        // Before the toolkit has taken its options an unknown one is not yet an error.
        QCOMPARE(answerCommandLine(parsed, false),
                 action == int(Action::Help) || action == int(Action::Version) ? 0 : -1);
    }

    void aFileStartsTheJobOfItsKind_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("direction");
        QTest::newRow("export") << "/a/refs.txt" << int(Direction::EndNoteToJFile);
        QTest::newRow("no extension") << "/a/refs" << int(Direction::EndNoteToJFile);
        QTest::newRow("RIS") << "/a/refs.ris" << int(Direction::EndNoteToJFile);
        QTest::newRow("PDB") << "/a/RQ-refs.PDB" << int(Direction::JFileToEndNote);
        QTest::newRow("pdb") << "C:\\palm\\refs.pdb" << int(Direction::JFileToEndNote);
        QTest::newRow("pdb inside a name") << "/a/refs.pdb.txt" << int(Direction::EndNoteToJFile);
    }

    void aFileStartsTheJobOfItsKind() {
        QFETCH(QString, path);
        QFETCH(int, direction);
        QCOMPARE(int(directionForFile(path)), direction);
    }

    void windowsOpenWhereTheyWereLeft() {
        QTemporaryDir folder;
        const QString settings = folder.filePath(QStringLiteral("placement.ini"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint left = screen.topLeft() + QPoint(30, 40);
        {
            PlacementMemory memory(settings);
            QDialog dialog;
            dialog.setObjectName(QStringLiteral("Somewhere"));
            dialog.resize(200, 100);
            memory.watch(dialog);
            dialog.show();
            dialog.move(left);
            dialog.hide();
        }
        PlacementMemory memory(settings);
        QDialog again;
        again.setObjectName(QStringLiteral("Somewhere"));
        again.resize(200, 100);
        memory.watch(again);
        again.show();
        QCOMPARE(again.pos(), left);
        again.hide();
        // A place on no screen is not given back.
        QSettings(settings, QSettings::IniFormat)
            .setValue(QStringLiteral("placement/Somewhere"), screen.bottomRight() + QPoint(50, 50));
        QDialog lost;
        lost.setObjectName(QStringLiteral("Somewhere"));
        lost.resize(200, 100);
        lost.move(left + QPoint(5, 5));
        memory.watch(lost);
        lost.show();
        QCOMPARE(lost.pos(), left + QPoint(5, 5));
    }

    void f1OpensTheManual() {
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QVERIFY(window.manualWindow() != nullptr);
        QTRY_VERIFY(window.manualWindow()->isVisible());
        QVERIFY(window.manualWindow()->text().contains(
            QStringLiteral("Refquill moves bibliographic references")));
        window.manualWindow()->hide();
    }

    void theFolderBrowserShowsItsStartFolder() {
        // Deep enough, with enough folders before it, to lie below the first screenful.
        QTemporaryDir folder;
        QDir root(folder.path());
        for (int i = 0; i < 60; ++i)
            QVERIFY(root.mkdir(QStringLiteral("a%1").arg(i, 2, 10, QLatin1Char('0'))));
        QVERIFY(root.mkpath(QStringLiteral("z/inner")));
        const QString start = QDir::toNativeSeparators(root.filePath(QStringLiteral("z/inner")));
        FolderBrowser browser(QStringLiteral("Title"), start);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        QCOMPARE(browser.selectedFolder(), start);
        QTRY_VERIFY_WITH_TIMEOUT(browser.selectionInView(), 10000);
    }

    void theAboutBoxSaysOnlyWhatIsTrue() {
        WindowFixture f;
        MainWindow& window = f.open();
        QStringList texts;
        for (const QLabel* label : window.aboutBox()->findChildren<QLabel*>())
            texts << label->text();
        const QString all = texts.join('\n');
        QVERIFY2(!all.contains(QStringLiteral("example.")), qPrintable(all));
        QVERIFY(all.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
        QVERIFY(all.contains(QStringLiteral("Version " RQ_VERSION)));
        QVERIFY2(all.contains(QStringLiteral("Licence: MIT")), qPrintable(all));
    }
};

RQ_GUI_SUITE(DesktopHabitsTest);
#include "desktop_habits_test.moc"
