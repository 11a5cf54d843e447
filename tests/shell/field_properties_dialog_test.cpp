// SPDX-License-Identifier: MIT
// The field properties dialog from the keyboard: Tab moves on, a tab never enters a word, and
// every use starts on the first control.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "gui_suites.h"
#include "shell/field_properties_dialog.h"
#include "shell/prompts.h"

using namespace rq;
using rq::test::named;

namespace {

QString focusName(const QWidget& dialog) {
    const QWidget* focus = dialog.focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("(none)");
}

}  // namespace

class FieldPropertiesDialogTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void tabAndShiftTabMoveTheFocus_data() {
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<QStringList>("focusAfterEachKey");
        // From the word list: Tab, Tab, Tab, Shift+Tab, Shift+Tab, Shift+Tab.
        const QStringList tail{"EditFldSize", "CancelBtn", "EditFldSize"};
        QTest::newRow("string") << int(String)
                                << (QStringList{"RadioGroupFldTypesItem0"} + tail +
                                    QStringList{"RadioGroupFldTypesItem0", "MemoWList"});
        QTest::newRow("multiple popup") << int(MultiplePopup)
                                        << (QStringList{"RadioGroupFldTypesItem2"} + tail +
                                            QStringList{"RadioGroupFldTypesItem2", "MemoWList"});
    }

    void tabAndShiftTabMoveTheFocus() {
        QFETCH(int, typeCode);
        QFETCH(QStringList, focusAfterEachKey);
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.fieldType = typeCode;
        slot.popupWords = {"one", "two"};
        QString firstFocus;
        QStringList seen;
        QString words;
        bool active = false;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            shown.show();
            shown.activateWindow();
            active = QTest::qWaitForWindowActive(&shown);
            firstFocus = focusName(shown);
            const Qt::KeyboardModifiers keys[6] = {Qt::NoModifier,    Qt::NoModifier,
                                                   Qt::NoModifier,    Qt::ShiftModifier,
                                                   Qt::ShiftModifier, Qt::ShiftModifier};
            for (const Qt::KeyboardModifiers modifiers : keys) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
                seen << focusName(shown);
            }
            words = named<QPlainTextEdit*>(shown, QStringLiteral("MemoWList"))->toPlainText();
            shown.reject();
            return shown.result();
        });
        QVERIFY(!dialog.showFieldProperties(slot, "Author"));
        QVERIFY(active);
        QCOMPARE(firstFocus, QStringLiteral("MemoWList"));
        QCOMPARE(seen, focusAfterEachKey);
        QCOMPARE(words, QStringLiteral("one\ntwo"));
    }

    void everyUseStartsOnTheWordList() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        QStringList firstFocus;
        for (int use = 0; use < 3; ++use) {
            prompts.setNextDialogHandler([&](QDialog& shown) {
                shown.show();
                shown.activateWindow();
                firstFocus << (QTest::qWaitForWindowActive(&shown) ? focusName(shown)
                                                                   : QStringLiteral("inactive"));
                // The use ends with the focus elsewhere, closed by OK or hidden.
                named<QPushButton*>(shown, QStringLiteral("OKBtn"))->setFocus();
                if (use == 0) named<QPushButton*>(shown, QStringLiteral("OKBtn"))->click();
                shown.hide();
                return int(QDialog::Accepted);
            });
            dialog.showFieldProperties(slot, "Title");
        }
        QCOMPARE(firstFocus, (QStringList{"MemoWList", "MemoWList", "MemoWList"}));
    }

    void tabsNeverEnterAWord_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("inside a word") << "Jour\tnal\nBook" << QStringList{"Journal", "Book"};
        QTest::newRow("only tabs") << "\t\t\n\tx" << QStringList{"", "x"};
        QTest::newRow("at the end") << "Thesis\t" << QStringList{"Thesis"};
    }

    void tabsNeverEnterAWord() {
        QFETCH(QString, pasted);
        QFETCH(QStringList, words);
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        QString shownAfterPaste;
        int cursorAfterPaste = -1;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            auto* memo = named<QPlainTextEdit*>(shown, QStringLiteral("MemoWList"));
            memo->insertPlainText(pasted);
            shownAfterPaste = memo->toPlainText();
            cursorAfterPaste = memo->textCursor().position();
            named<QPushButton*>(shown, QStringLiteral("OKBtn"))->click();
            return shown.result();
        });
        QVERIFY(dialog.showFieldProperties(slot, "Keywords"));
        QVERIFY(!shownAfterPaste.contains(QLatin1Char('\t')));
        // Typing goes on where the paste ended.
        QCOMPARE(cursorAfterPaste, int(shownAfterPaste.size()));
        QStringList stored;
        for (const std::string& word : slot.popupWords) stored << QString::fromStdString(word);
        QCOMPARE(stored, words);
    }

    void aTabKeyTypesNoTab() {
        Prompts prompts;
        FieldPropertiesDialog dialog(prompts);
        FieldSlot slot;
        slot.popupWords = {"a"};
        QString afterTab;
        prompts.setNextDialogHandler([&](QDialog& shown) {
            auto* memo = named<QPlainTextEdit*>(shown, QStringLiteral("MemoWList"));
            memo->moveCursor(QTextCursor::End);
            QTest::keyClick(memo, Qt::Key_Tab);
            afterTab = memo->toPlainText();
            shown.accept();
            return shown.result();
        });
        QVERIFY(dialog.showFieldProperties(slot, "Keywords"));
        QCOMPARE(afterTab, QStringLiteral("a"));
        QCOMPARE(slot.popupWords, (std::vector<std::string>{"a"}));
    }
};

RQ_GUI_SUITE(FieldPropertiesDialogTest);
#include "field_properties_dialog_test.moc"
