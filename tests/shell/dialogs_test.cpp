// SPDX-License-Identifier: MIT
// The dialogs on their own: progress and error report, field properties, settings, and the
// helpers they are built on.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "base/path.h"
#include "shell/converter_error_dialog.h"
#include "shell/field_properties_dialog.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"
#include "shell/startup.h"

using namespace rq;

namespace {

QString sep() {
    return QString(QLatin1Char(kPathSeparator));
}

QString pathOf(const QStringList& parts) {
    return parts.join(sep());
}

template <typename T>
T child(const QWidget& parent, const char* name) {
    T found = parent.findChild<T>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no control named %s", name);
    return found;
}

QStringList numberedWords(int count) {
    QStringList words;
    for (int i = 1; i <= count; ++i) words << QStringLiteral("w%1").arg(i);
    return words;
}

// Plays the user on the field dialog: types the words, picks the type item, sets the width.
Prompts::DialogHandler fieldDialogAnswer(const QString& words, int typeItem, const QString& width,
                                         bool ok) {
    return [=](QDialog& dialog) {
        child<QPlainTextEdit*>(dialog, "MemoWList")->setPlainText(words);
        child<QRadioButton*>(
            dialog, QStringLiteral("RadioGroupFldTypesItem%1").arg(typeItem).toLatin1().constData())
            ->setChecked(true);
        child<QLineEdit*>(dialog, "EditFldSize")->setText(width);
        child<QPushButton*>(dialog, ok ? "OKBtn" : "CancelBtn")->click();
        return dialog.result();
    };
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { initShellResources(); }

    void fileFiltersBecomeQtFilters() {
        QCOMPARE(qtFileFilter(QStringLiteral("Endnote Export files(REVuz)|*.txt")),
                 QStringLiteral("Endnote Export files(REVuz) (*.txt)"));
        QCOMPARE(qtFileFilter(
                     QStringLiteral("Refquill PDB  File (RQ-*.PDB)|RQ-*.PDB|All PDB files|*.pdb")),
                 QStringLiteral("Refquill PDB  File (RQ-*.PDB) (RQ-*.PDB);;All PDB files (*.pdb)"));
    }

    void textLinesFollowTheWordBox() {
        QCOMPARE(textLines(QString()), QStringList());
        QCOMPARE(textLines(QStringLiteral("a\n")), QStringList{QStringLiteral("a")});
        QCOMPARE(textLines(QStringLiteral("a\n\nb")),
                 (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
        QCOMPARE(wordListLength(QStringLiteral("ab\ncd")), 6);
    }

    void pathShortensStepByStep() {
        const QString path = pathOf({"C:", "alpha", "beta", "gamma", "file.txt"});
        QStringList tried;
        const QString shown = shortenPath(path, [&](const QString& text) {
            tried << text;
            return false;
        });
        QCOMPARE(shown, QStringLiteral("file.txt"));
        QCOMPARE(tried,
                 (QStringList{path, pathOf({"C:", "...", "beta", "gamma", "file.txt"}),
                              pathOf({"C:", "...", "gamma", "file.txt"}),
                              pathOf({"C:", "...", "file.txt"}), pathOf({"...", "file.txt"})}));
        // The first form that fits is taken; a fitting path stays whole.
        QCOMPARE(shortenPath(path, [](const QString& text) { return text.size() <= 21; }),
                 pathOf({"C:", "...", "gamma", "file.txt"}));
        QCOMPARE(shortenPath(path, [](const QString&) { return true; }), path);
        QCOMPARE(shortenPath(QStringLiteral("name.txt"), [](const QString&) { return false; }),
                 QStringLiteral("name.txt"));
    }

    void sourceFileFitsTheLabelInTheWindowFont() {
        QFont font;
        ProgressDialog dialog(font);
        auto* label = child<QLabel*>(dialog, "LabelFName");
        QCOMPARE(label->width(), 200);
        const QString shortPath = pathOf({QString(), QStringLiteral("x"), QStringLiteral("f.txt")});
        dialog.setSourceFile(shortPath);
        QCOMPARE(label->text(), shortPath);

        QStringList parts{QString()};
        for (int i = 0; i < 20; ++i) parts << QStringLiteral("folder%1").arg(i);
        parts << QStringLiteral("export.txt");
        dialog.setSourceFile(pathOf(parts));
        QVERIFY(label->text().startsWith(sep() + QStringLiteral("...") + sep()));
        QVERIFY(label->text().endsWith(sep() + QStringLiteral("export.txt")));
        QVERIFY(QFontMetrics(font).horizontalAdvance(label->text()) <= 200);

        const QString longName = QString(80, QLatin1Char('n')) + QStringLiteral(".txt");
        dialog.setSourceFile(pathOf({QString(), QStringLiteral("a"), longName}));
        QCOMPARE(label->text(), longName);
    }

    void barStepsAndIsNeverReset() {
        ProgressDialog dialog{QFont()};
        auto* bar = child<QProgressBar*>(dialog, "ProgBarJF");
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 1);
        dialog.stepProgress(58);
        QCOMPARE(bar->value(), 60);
        dialog.stepProgress(1);  // the next job starts at 60 and goes to 3
        QCOMPARE(bar->value(), 3);
        dialog.stepProgress(97);
        QCOMPARE(bar->value(), 99);
        dialog.stepProgress(150);
        QCOMPARE(bar->value(), 100);
        dialog.stepProgress(1);  // a full bar stays full
        QCOMPARE(bar->value(), 100);
    }

    void phasesShowOnePanelEach() {
        ProgressDialog dialog{QFont()};
        const char* panels[4] = {"Panel5", "Panel1", "Panel2", "Panel4"};
        const ProgressPhase phases[4] = {ProgressPhase::EndNoteToCsv, ProgressPhase::CsvToJFile,
                                         ProgressPhase::JFileToCsv, ProgressPhase::CsvToEndNote};
        for (int i = 0; i < 4; ++i) {
            dialog.showPhase(phases[i]);
            for (int j = 0; j < 4; ++j) {
                QCOMPARE(child<QFrame*>(dialog, panels[j])->isVisibleTo(&dialog), i == j);
            }
        }
    }

    void converterPhaseShowsTheDialogWithoutBlocking() {
        ProgressDialog dialog{QFont()};
        dialog.setPrefixLine(QStringLiteral("Working on Record number"));
        dialog.showRecordLabel(true);
        dialog.setRecordNumber(41);
        dialog.setRecordNumber(42);
        QCoreApplication::processEvents();
        QCOMPARE(child<QLabel*>(dialog, "LabelRec")->text(), QStringLiteral("42"));
        dialog.setRecordNumber(43);
        QCoreApplication::processEvents();
        QCOMPARE(child<QLabel*>(dialog, "LabelRec")->text(), QStringLiteral("43"));
        dialog.showPhase(ProgressPhase::CsvToJFile);
        dialog.showProgress();
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isModal());
        QCOMPARE(dialog.phase(), ProgressPhase::CsvToJFile);
        dialog.showBar(false);
        QVERIFY(!child<QFrame*>(dialog, "PanelBar")->isVisible());
        // The user cannot close it.
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowSystemMenuHint));
        dialog.close();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        dialog.hideProgress();
        QVERIFY(!dialog.isVisible());
    }

    void errorReportLoadsTheLog() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("jconvpro.err"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Line 12: bad field\r\nsecond \xe9 line\r\n");
        file.close();
        ConverterErrorDialog dialog;
        auto* memo = child<QPlainTextEdit*>(dialog, "Memo1");
        memo->setPlainText(QStringLiteral("typed by the user"));
        QVERIFY(dialog.showLog(path));
        QCOMPARE(memo->toPlainText(), QStringLiteral("Line 12: bad field\nsecond ") + QChar(0xe9) +
                                          QStringLiteral(" line"));

        QFile empty(folder.filePath(QStringLiteral("empty.err")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QVERIFY(dialog.showLog(empty.fileName()));
        QCOMPARE(memo->toPlainText(), QString());
        QVERIFY(!dialog.showLog(folder.filePath(QStringLiteral("missing.err"))));
    }

    void hundredWordsAreKept() {
        Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = String;
        slot.columnWidth = 80;
        prompts.setNextDialogHandler(
            fieldDialogAnswer(numberedWords(100).join('\n'), 1, QStringLiteral("30"), true));
        QVERIFY(dialog.showFieldProperties(slot, "Author"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral(" Set JFile Field attributes for Author"));
        QCOMPARE(int(slot.popupWords.size()), 100);
        QCOMPARE(slot.popupWords.back(), std::string("w100"));
        QVERIFY(prompts.shownMessages().empty());
        QCOMPARE(slot.fieldType, std::int32_t(NormalPopup));
        QCOMPARE(slot.columnWidth, 30);
    }

    void hundredAndOneWordsAreCut() {
        Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = String;
        prompts.setNextDialogHandler(
            fieldDialogAnswer(numberedWords(101).join('\n'), 2, QStringLiteral("160"), true));
        QVERIFY(dialog.showFieldProperties(slot, "Keywords"));
        QCOMPARE(int(slot.popupWords.size()), 100);
        QCOMPARE(slot.popupWords.back(), std::string("w100"));
        QCOMPARE(prompts.shownMessages().size(), std::size_t(1));
        QCOMPARE(prompts.shownMessages()[0].kind, MessageKind::Error);
        QCOMPARE(
            prompts.shownMessages()[0].text,
            QStringLiteral(
                "Your popup list had to be truncated\nOnly 100 items or 2000 characters allowed"));
        QCOMPARE(slot.fieldType, std::int32_t(MultiplePopup));
        QCOMPARE(slot.columnWidth, 160);
    }

    void emptyLinesBecomeEmptyWords() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = NormalPopup;
        prompts.setNextDialogHandler(
            fieldDialogAnswer(QStringLiteral("a\n\nb\n"), 1, QStringLiteral("0"), true));
        QVERIFY(dialog.showFieldProperties(slot, "Year"));
        QCOMPARE(slot.popupWords, (std::vector<std::string>{"a", "", "b"}));
        QCOMPARE(slot.columnWidth, 0);
    }

    void wordsShowAndKeepTheirWindows1252Bytes() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = NormalPopup;
        // Euro sign, ellipsis (also the line-end mark), curly quote, an undefined byte, e acute.
        slot.popupWords = {"\x80 5", "a\x85z", "\x92s", "\x81", "caf\xE9"};
        const std::vector<std::string> before = slot.popupWords;
        QString shown;
        prompts.setNextDialogHandler([&](QDialog& d) {
            shown = d.findChild<QPlainTextEdit*>(QStringLiteral("MemoWList"))->toPlainText();
            return QDialog::Accepted;
        });
        QVERIFY(dialog.showFieldProperties(slot, "Year"));
        QCOMPARE(shown, QStringLiteral("\u20AC 5\na\u2026z\n\u2019s\n\u0081\ncaf\u00E9"));
        QCOMPARE(slot.popupWords, before);
        QCOMPARE(bytesFromQt(QStringLiteral("\u4E2D")), std::string("?"));
    }

    void cancelKeepsEverything() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = NormalPopup;
        slot.columnWidth = 44;
        slot.popupWords = {"one", "two"};
        QString shownWords, shownWidth;
        bool popupChosen = false;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            shownWords = child<QPlainTextEdit*>(shown, "MemoWList")->toPlainText();
            popupChosen = child<QRadioButton*>(shown, "RadioGroupFldTypesItem1")->isChecked();
            shownWidth = child<QLineEdit*>(shown, "EditFldSize")->text();
            return fieldDialogAnswer(QStringLiteral("x"), 0, QStringLiteral("12"), false)(shown);
        });
        QVERIFY(!dialog.showFieldProperties(slot, "Year"));
        QCOMPARE(shownWords, QStringLiteral("one\ntwo"));
        QVERIFY(popupChosen);
        QCOMPARE(shownWidth, QStringLiteral("44"));
        QCOMPARE(slot.popupWords, (std::vector<std::string>{"one", "two"}));
        QCOMPARE(slot.columnWidth, 44);
        QCOMPARE(slot.fieldType, std::int32_t(NormalPopup));
    }

    void strayTypeCodeBecomesStringEvenOnCancel() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = 7;
        bool stringChosen = false;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            stringChosen = child<QRadioButton*>(shown, "RadioGroupFldTypesItem0")->isChecked();
            return int(QDialog::Rejected);
        });
        QVERIFY(!dialog.showFieldProperties(slot, "Notes"));
        QVERIFY(stringChosen);
        QCOMPARE(slot.fieldType, std::int32_t(String));
    }

    void columnWidthEntryIsChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("messages");
        const QString range = QStringLiteral("Field width must be between 0 and 160");
        QTest::newRow("zero") << "0"
                              << "0" << QStringList();
        QTest::newRow("160") << "160"
                             << "160" << QStringList();
        QTest::newRow("161") << "161"
                             << "80" << QStringList{range};
        QTest::newRow("minus one") << "-1"
                                   << "80" << QStringList{range};
        QTest::newRow("letters") << "abc"
                                 << "80"
                                 << QStringList{
                                        QStringLiteral("'abc' is not a valid integer value"),
                                        QStringLiteral("Field Size must be between 0 and 160")};
        QTest::newRow("empty") << ""
                               << "80"
                               << QStringList{
                                      QStringLiteral("'' is not a valid integer value"),
                                      QStringLiteral("Field Size must be between 0 and 160")};
    }

    void columnWidthEntryIsChecked() {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(QStringList, messages);
        Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        FieldPropertiesDialog dialog(prompts);
        auto* entry = child<QLineEdit*>(dialog, "EditFldSize");
        entry->setText(typed);
        QCOMPARE(dialog.checkColumnWidthEntry(), messages.isEmpty());
        QCOMPARE(entry->text(), after);
        QStringList shown;
        for (const auto& message : prompts.shownMessages()) {
            QCOMPARE(message.kind, MessageKind::Error);
            shown << message.text;
        }
        QCOMPARE(shown, messages);
    }

    void leavingABadColumnWidthKeepsTheFocus() {
        Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        FieldPropertiesDialog dialog(prompts);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* entry = child<QLineEdit*>(dialog, "EditFldSize");
        entry->setFocus();
        QVERIFY(entry->hasFocus());
        entry->setText(QStringLiteral("200"));
        child<QPlainTextEdit*>(dialog, "MemoWList")->setFocus(Qt::TabFocusReason);
        QCOMPARE(entry->text(), QStringLiteral("80"));
        QVERIFY(entry->hasFocus());
        QCOMPARE(prompts.shownMessages().size(), std::size_t(1));
        // A good value lets the focus go.
        entry->setText(QStringLiteral("120"));
        child<QPlainTextEdit*>(dialog, "MemoWList")->setFocus(Qt::TabFocusReason);
        QVERIFY(!entry->hasFocus());
        QCOMPARE(prompts.shownMessages().size(), std::size_t(1));
    }

    void okWithABadWidthKeepsTheDialogOpen() {
        Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = String;
        slot.columnWidth = 50;
        prompts.setNextDialogHandler(
            fieldDialogAnswer(QStringLiteral("a"), 1, QStringLiteral("999"), true));
        QVERIFY(!dialog.showFieldProperties(slot, "Title"));
        QCOMPARE(slot.columnWidth, 50);
        QVERIFY(slot.popupWords.empty());
        QCOMPARE(child<QLineEdit*>(dialog, "EditFldSize")->text(), QStringLiteral("80"));
    }

    void wordBoxTakesAtMost1990Characters() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        auto* memo = child<QPlainTextEdit*>(dialog, "MemoWList");
        memo->setPlainText(QStringLiteral("start"));
        // A paste that is too long is cut to what fits; a line break counts as two.
        QTextCursor cursor = memo->textCursor();
        cursor.movePosition(QTextCursor::End);
        memo->setTextCursor(cursor);
        memo->insertPlainText(QStringLiteral("\n") + QString(2100, QLatin1Char('x')));
        QCOMPARE(wordListLength(memo->toPlainText()), kWordListCharLimit);
        QVERIFY(memo->toPlainText().startsWith(QStringLiteral("start\nxxx")));
        // A full box takes nothing more.
        memo->insertPlainText(QStringLiteral("y"));
        QVERIFY(!memo->toPlainText().contains(QLatin1Char('y')));
        QCOMPARE(wordListLength(memo->toPlainText()), kWordListCharLimit);
    }

    void settingsOkCopiesBack() {
        Prompts prompts;
        SettingsDialog dialog(prompts);
        Strategy strategy;
        strategy.endNoteFolder = "/en";
        strategy.palmInstallFolder = "/install";
        strategy.palmBackupFolder = "/backup";
        strategy.hotSyncId = "0000";
        prompts.setNextFolder(QStringLiteral("/chosen/en"));
        prompts.setNextFolder(std::nullopt);  // the second browse is cancelled
        prompts.setNextFolder(QStringLiteral("/chosen/backup"));
        QStringList shownTexts;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            for (const char* name :
                 {"EditENPath", "EditPalmInstallPath", "EditPalmBackupPath", "EditHSId"}) {
                shownTexts << child<QLineEdit*>(shown, name)->text();
            }
            child<QPushButton*>(shown, "ButtonBrEN")->click();
            child<QPushButton*>(shown, "ButtonBrPalmInstall")->click();
            child<QPushButton*>(shown, "ButtonBrowseIncPalm")->click();
            child<QLineEdit*>(shown, "EditHSId")->clear();
            child<QPushButton*>(shown, "BitBtnOK")->click();
            return shown.result();
        });
        dialog.showSettings(strategy);
        QCOMPARE(shownTexts, (QStringList{"/en", "/install", "/backup", "0000"}));
        QCOMPARE(strategy.endNoteFolder, std::string("/chosen/en"));
        QCOMPARE(strategy.palmInstallFolder, std::string("/install"));
        QCOMPARE(strategy.palmBackupFolder, std::string("/chosen/backup"));
        QCOMPARE(strategy.hotSyncId, std::string());
        QCOMPARE(prompts.folderTitles(),
                 (QStringList{
                     QStringLiteral("Incoming Endnote import/export Folder"),
                     QStringLiteral("Palm Install Folder\n(Usually c:\\palm\\yourname\\Install)"),
                     QStringLiteral(
                         "Incoming Palm PDB File Folder\n(Usually c:\\palm\\yourname\\backup)")}));
    }

    // "Write JFile databases as": the list shows the format in force, OK takes the choice,
    // Cancel keeps the old one; the file beside Strat.jfp keeps it for the next start.
    void settingsDatabaseFormatChoice() {
        Prompts prompts;
        SettingsDialog dialog(prompts);
        Strategy strategy;
        ReferenceFormat format = ReferenceFormat::BibTeX;
        QString shown;
        int count = 0;
        prompts.setNextDialogHandler([&](QDialog& d) {
            auto* combo = child<QComboBox*>(d, "ComboDatabaseFormat");
            shown = combo->currentText();
            count = combo->count();
            combo->setCurrentIndex(3);
            child<QPushButton*>(d, "BitBtnOK")->click();
            return d.result();
        });
        QVERIFY(dialog.showSettings(strategy, &format));
        QCOMPARE(shown, QStringLiteral("BibTeX"));
        QCOMPARE(count, 4);
        QVERIFY(format == ReferenceFormat::CslJson);
        prompts.setNextDialogHandler([&](QDialog& d) {
            child<QComboBox*>(d, "ComboDatabaseFormat")->setCurrentIndex(1);
            child<QPushButton*>(d, "BitBtnCancel")->click();
            return d.result();
        });
        QVERIFY(!dialog.showSettings(strategy, &format));
        QVERIFY(format == ReferenceFormat::CslJson);

        QTemporaryDir folder;
        const std::string data = folder.path().toStdString();
        QVERIFY(readDatabaseFormat(data) == ReferenceFormat::EndNoteExport);
        std::string problem;
        QVERIFY(writeDatabaseFormat(data, ReferenceFormat::Ris, problem));
        QVERIFY(readDatabaseFormat(data) == ReferenceFormat::Ris);
        const std::string missing = joinPath(data, "missing");
        QVERIFY(!writeDatabaseFormat(missing, ReferenceFormat::Ris, problem));
        QVERIFY2(problem.find(joinPath(missing, "Formats.ini")) != std::string::npos,
                 problem.c_str());
    }

    void settingsCancelChangesNothing() {
        Prompts prompts;
        SettingsDialog dialog(prompts);
        Strategy strategy;
        strategy.endNoteFolder = "/en";
        strategy.hotSyncId = "1234";
        prompts.setNextFolder(QStringLiteral("/chosen"));
        prompts.setNextDialogHandler([&](QDialog& shown) {
            child<QPushButton*>(shown, "ButtonBrEN")->click();
            child<QLineEdit*>(shown, "EditHSId")->setText(QStringLiteral("9"));
            child<QPushButton*>(shown, "BitBtnCancel")->click();
            return shown.result();
        });
        dialog.showSettings(strategy);
        QCOMPARE(strategy.endNoteFolder, std::string("/en"));
        QCOMPARE(strategy.hotSyncId, std::string("1234"));

        // Enter does not close it; Escape cancels, as the close box does.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        dialog.close();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.setResult(QDialog::Accepted);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
