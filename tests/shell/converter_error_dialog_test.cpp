// SPDX-License-Identifier: MIT
// The error report: Enter answers OK, the log reads as UTF-8 (Windows-1252 where a line is no
// UTF-8), and the failed file is named above it.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "base/path.h"
#include "gui_suites.h"
#include "shell/converter_error_dialog.h"

using namespace rq;
using rq::test::named;

namespace {

QString native(const char* path) {
    return QString::fromLatin1(path).replace(QLatin1Char('/'), QLatin1Char(kPathSeparator));
}

QString writeLog(const QTemporaryDir& folder, const QByteArray& bytes) {
    const QString path = folder.filePath(QStringLiteral("jconvpro.err"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

}  // namespace

class ConverterErrorDialogTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void enterAnswersOkAndTheLogIsReadOnly_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }

    void enterAnswersOkAndTheLogIsReadOnly() {
        QFETCH(int, key);
        QFETCH(int, result);
        QTemporaryDir folder;
        ConverterErrorDialog dialog;
        QVERIFY(dialog.showLog(writeLog(folder, "bad line\r\n")));
        dialog.setResult(-1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.focusWidget(), named<QPushButton*>(dialog, QStringLiteral("OKBtn")));
        auto* memo = named<QPlainTextEdit*>(dialog, QStringLiteral("Memo1"));
        QVERIFY(memo->isReadOnly());
        QTest::keyClick(dialog.focusWidget(), Qt::Key(key));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), result);
        QCOMPARE(memo->toPlainText(), QStringLiteral("bad line"));
    }

    void theLogReadsAsWindows1252() {
        QTemporaryDir folder;
        ConverterErrorDialog dialog;
        QVERIFY(dialog.showLog(
            writeLog(folder, "\x93quoted\x94 \x85 \x80 5\r\nline \xe9\r\nlast without end")));
        QCOMPARE(named<QPlainTextEdit*>(dialog, QStringLiteral("Memo1"))->toPlainText(),
                 QString::fromUtf8("\u201Cquoted\u201D \u2026 \u20AC 5\nline \u00E9\n"
                                   "last without end"));
    }

    void aUtf8LogReadsAsWritten() {
        QTemporaryDir folder;
        ConverterErrorDialog dialog;
        QVERIFY(dialog.showLog(writeLog(folder,
                                        "\xc5\x81\xc3\xb3"
                                        "d\xc5\xba refs.csv: line 3\r\n"
                                        "Caf\xc3\xa9 \xe2\x80\x93 \xe6\x9d\xb1\r\n"
                                        "old \xe9\r\n")));
        QCOMPARE(named<QPlainTextEdit*>(dialog, QStringLiteral("Memo1"))->toPlainText(),
                 QString::fromUtf8("\u0141\u00F3d\u017A refs.csv: line 3\n"
                                   "Caf\u00E9 \u2013 \u6771\nold \u00E9"));
    }

    void theFailedFileIsNamedAboveTheLog_data() {
        QTest::addColumn<QString>("failedFile");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("short") << native("/refs/library.txt") << false;
        QTest::newRow("long") << native(
                                     "/Documents and Settings/someone with a long name/My "
                                     "Documents/EndNote exports/library.txt")
                              << true;
        QTest::newRow("none") << QString() << false;
    }

    void theFailedFileIsNamedAboveTheLog() {
        QFETCH(QString, failedFile);
        QFETCH(bool, shortened);
        QTemporaryDir folder;
        ConverterErrorDialog dialog;
        QVERIFY(dialog.showLog(writeLog(folder, "x\r\n"), failedFile));
        auto* label = named<QLabel*>(dialog, QStringLiteral("LabelFailedFile"));
        QCOMPARE(label->toolTip(), failedFile);
        if (failedFile.isEmpty()) {
            QCOMPARE(label->text(), QString());
        } else if (!shortened) {
            QCOMPARE(label->text(), QStringLiteral("File: ") + failedFile);
        } else {
            QVERIFY(label->text().startsWith(QStringLiteral("File: ")));
            QVERIFY(label->text().contains(QStringLiteral("...")));
            QVERIFY(label->text().endsWith(native("/EndNote exports/library.txt")));
        }
        // Above the log, inside the frame, and wide enough for what it shows.
        auto* memo = named<QPlainTextEdit*>(dialog, QStringLiteral("Memo1"));
        QVERIFY(label->geometry().bottom() < memo->geometry().top());
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    }
};

RQ_GUI_SUITE(ConverterErrorDialogTest);
#include "converter_error_dialog_test.moc"
