// SPDX-License-Identifier: MIT
// The main window as its users meet it: the menu from the keyboard, a result that never hides
// its end, and the run log at hand.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "gui_suites.h"
#include "shell/log_window.h"
#include "shell/window_host.h"
#include "shell_test_support.h"

using namespace rq;
using rq::test::named;
using rq::test::WindowFixture;

class MainWindowUsabilityTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void altKeysOpenTheMenuEntries_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("opened");
        QTest::newRow("Alt+A") << int(Qt::Key_A) << "AboutBox";
        QTest::newRow("Alt+S") << int(Qt::Key_S) << "FormVIZiru";
        QTest::newRow("Alt+L") << int(Qt::Key_L) << "LogWindow";
    }

    void altKeysOpenTheMenuEntries() {
        QFETCH(int, key);
        QFETCH(QString, opened);
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* entry = f.child<QLineEdit*>("EDfn1");
        entry->setFocus();
        const QString before = entry->text();
        f.prompts.clearShownMessages();
        QStringList shown;
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            shown << dialog.objectName();
            return int(QDialog::Rejected);
        });
        QTest::keyClick(entry, Qt::Key(key), Qt::AltModifier);
        QCOMPARE(shown, QStringList{opened});
        // The entry took no letter and raised no check.
        QCOMPARE(entry->text(), before);
        QVERIFY2(f.prompts.shownMessages().empty(), qPrintable(f.messageTexts().join('|')));
    }

    void theResultNeverHidesItsEnd_data() {
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("fits");
        QTest::newRow("13,083 with cuts")
            << "13083 Records Transferred to  JFile. Number of truncated records: 13083" << true;
        QTest::newRow("largest counts")
            << "65535 Records Transferred to  JFile. Number of truncated records: 65535" << true;
        QTest::newRow("short") << "3 Records Transferred to  JFile" << true;
        QTest::newRow("too long for any window")
            << QString(QStringLiteral("Conversion of a file with a very long name ")).repeated(4)
            << false;
    }

    void theResultNeverHidesItsEnd() {
        QFETCH(QString, result);
        QFETCH(bool, fits);
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize windowSize = window.size();
        window.setResultText(result);
        QApplication::processEvents();
        auto* panel = f.child<QLabel*>("StatusPanel1");
        QCOMPARE(window.statusPanelText(1), result);
        QCOMPARE(panel->toolTip(), result);
        // Panel 1 has what panel 0 leaves of the window's width, and the window keeps its size.
        QCOMPARE(window.size(), windowSize);
        QVERIFY(panel->width() >= window.width() - 150 - 20);
        QVERIFY(panel->x() >= f.child<QLabel*>("StatusPanel0")->geometry().right());
        const int room = panel->contentsRect().width();
        QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= room);
        if (fits) {
            QCOMPARE(panel->text(), result);
        } else {
            QVERIFY(panel->text().endsWith(QChar(0x2026)));
            QVERIFY(result.startsWith(panel->text().chopped(1)));
        }
    }

    void logShowsTheRunSoFarWithTheLastConversionSelected() {
        WindowFixture f;
        MainWindow& window = f.open();
        WindowHost& host = window.host();
        for (const char* line : {" ", "EndNote to JFile", "first file", " ", "JFile to EndNote",
                                 "second file \x93quoted\x94", "3 Records Transferred"}) {
            host.appendLog(line);
        }
        QString text, selected;
        bool readOnly = false;
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            auto* log = named<QPlainTextEdit*>(dialog, QStringLiteral("LogText"));
            text = log->toPlainText();
            readOnly = log->isReadOnly();
            selected = static_cast<LogWindow&>(dialog).selectedText();
            return int(QDialog::Accepted);
        });
        f.child<QAction*>("ShowLog")->trigger();
        QVERIFY(readOnly);
        QCOMPARE(text, QString::fromUtf8(" \nEndNote to JFile\nfirst file\n \nJFile to EndNote\n"
                                         "second file \u201Cquoted\u201D\n3 Records Transferred"));
        QCOMPARE(selected, QString::fromUtf8(" \nJFile to EndNote\nsecond file \u201Cquoted\u201D\n"
                                             "3 Records Transferred"));
        // Showing it changes nothing of the log that "Log.txt" will hold.
        QCOMPARE(host.logLines().size(), std::size_t(7));
    }

    // A long run: the host keeps few lines in memory, the window shows the newest ones and says
    // how many came before; "Log.txt" still gets every line.
    void aLongLogIsReadFromTheSpool() {
        WindowFixture f;
        MainWindow& window = f.open();
        WindowHost& host = window.host();
        const int total = int(LogWindow::kShownLines) + 5000;
        for (int i = 0; i < total; ++i)
            host.appendLog(i == total - 3 ? std::string(" ") : "line " + std::to_string(i));
        QVERIFY(host.logLines().size() <= WindowHost::kLogLinesInMemory);
        int counted = 0;
        QVERIFY(host.forEachLogLine([&](std::string_view) { return ++counted > 0; }));
        QCOMPARE(counted, total);
        QString text, selected;
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            text = named<QPlainTextEdit*>(dialog, QStringLiteral("LogText"))->toPlainText();
            selected = static_cast<LogWindow&>(dialog).selectedText();
            return int(QDialog::Accepted);
        });
        window.showRunLog();
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.size(), int(LogWindow::kShownLines) + 1);
        QCOMPARE(lines.first(),
                 QStringLiteral("(5000 earlier lines are not shown here; Log.txt keeps them all)"));
        QCOMPARE(lines[1], QStringLiteral("line 5000"));
        QCOMPARE(selected, QStringLiteral(" \nline %1\nline %2").arg(total - 2).arg(total - 1));
        window.close();
        const QByteArray log = rq::test::readAll(QString::fromStdString(f.programFolder()) +
                                                 QStringLiteral("/Log.txt"));
        QVERIFY(log.startsWith("line 0\r\nline 1\r\n"));
        QCOMPARE(log.count("\r\n"), total + 2);
    }

    void logBeforeAnyConversionSelectsNothing() {
        WindowFixture f;
        MainWindow& window = f.open();
        QString selected = QStringLiteral("unset");
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            selected = static_cast<LogWindow&>(dialog).selectedText();
            return int(QDialog::Accepted);
        });
        window.showRunLog();
        QCOMPARE(selected, QString());
    }
};

RQ_GUI_SUITE(MainWindowUsabilityTest);
#include "main_window_usability_test.moc"
