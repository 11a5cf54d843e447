// SPDX-License-Identifier: MIT
#include "shell/field_properties_dialog.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <array>

#include "engine/host_services.h"
#include "shell/font_scale.h"
#include "shell/prompts.h"
#include "ui_field_properties_dialog.h"

namespace rq {
namespace {

// Radio item i of the type group stands for this JFile type code.
constexpr std::array<std::int32_t, 3> kTypeCodes = {String, NormalPopup, MultiplePopup};

}  // namespace

int wordListLength(const QString& text) {
    return int(text.size() + text.count(QLatin1Char('\n')));
}

QString withoutTabs(QString text) {
    return text.remove(QLatin1Char('\t'));
}

QStringList textLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

FieldPropertiesDialog::FieldPropertiesDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      prompts_(prompts),
      ui_(std::make_unique<Ui::FieldPropertiesDialog>()) {
    ui_->setupUi(this);
    connect(ui_->MemoWList, &QPlainTextEdit::textChanged, this,
            &FieldPropertiesDialog::limitWordList);
    // Button i stands for type code kTypeCodes[i].
    typeButtons_ = new QButtonGroup(this);
    typeButtons_->addButton(ui_->RadioGroupFldTypesItem0, 0);
    typeButtons_->addButton(ui_->RadioGroupFldTypesItem1, 1);
    typeButtons_->addButton(ui_->RadioGroupFldTypesItem2, 2);
    ui_->EditFldSize->installEventFilter(this);
    // A screen reader names each entry by its label or frame.
    ui_->Label1->setBuddy(ui_->EditFldSize);
    ui_->MemoWList->setAccessibleName(QStringLiteral("Popup word list"));
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    scaleForFont(*this);
}

FieldPropertiesDialog::~FieldPropertiesDialog() = default;

bool FieldPropertiesDialog::showFieldProperties(FieldSlot& slot, std::string_view caption) {
    QStringList words;
    for (const std::string& word : slot.popupWords) words << bytesToQt(word);
    limiting_ = true;  // the stored list is shown whole, as the limit binds only the user
    ui_->MemoWList->setPlainText(words.join(QLatin1Char('\n')));
    limiting_ = false;
    acceptedWords_ = ui_->MemoWList->toPlainText();

    setWindowTitle(QStringLiteral(" Set JFile Field attributes for ") + textToQt(caption));

    int item = 0;
    for (int i = 0; i < 3; ++i) {
        if (kTypeCodes[i] == slot.fieldType) item = i;
    }
    // A stray code is mended as soon as the dialog opens, whatever button closes it.
    if (kTypeCodes[item] != slot.fieldType) slot.fieldType = String;
    typeButtons_->button(item)->setChecked(true);

    ui_->EditFldSize->setText(QString::number(slot.columnWidth));

    if (prompts_.exec(*this) != QDialog::Accepted) return false;

    slot.popupWords.clear();
    for (const QString& line : textLines(ui_->MemoWList->toPlainText())) {
        slot.popupWords.push_back(bytesFromQt(withoutTabs(line)));
    }
    if (slot.popupWords.size() > kMaxPopupWords) {
        prompts_.message(this, MessageKind::Error,
                         QStringLiteral("Your popup list had to be truncated\nOnly 100 items or "
                                        "2000 characters allowed"));
        slot.popupWords.resize(kMaxPopupWords);
    }
    std::int32_t width = 0;
    if (!parseWholeNumber(bytesFromQt(ui_->EditFldSize->text()), width)) {
        prompts_.message(this, MessageKind::Error,
                         textToQt(notAnIntegerMessage(bytesFromQt(ui_->EditFldSize->text()))));
        return true;
    }
    slot.columnWidth = width;
    slot.fieldType = selectedTypeCode();
    return true;
}

int FieldPropertiesDialog::selectedTypeCode() const {
    const int item = typeButtons_->checkedId();
    return item >= 0 ? kTypeCodes[item] : String;
}

bool FieldPropertiesDialog::checkColumnWidthEntry() {
    if (checking_) return true;
    checking_ = true;
    static const NumberEntryRule rule{
        0, 160, QStringLiteral("Field Size must be between 0 and 160"),
        QStringLiteral("Field width must be between 0 and 160"), QStringLiteral("80")};
    const bool ok = checkNumberEntry(prompts_, this, *ui_->EditFldSize, rule);
    checking_ = false;
    return ok;
}

void FieldPropertiesDialog::accept() {
    // Enter or OK while the entry holds a bad width: checked as if it had lost the focus, and
    // the dialog stays open.
    if (!checkColumnWidthEntry()) return;
    QDialog::accept();
}

bool FieldPropertiesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->EditFldSize && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a move to another control of the dialog counts as leaving the entry.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            checkColumnWidthEntry();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FieldPropertiesDialog::showEvent(QShowEvent* event) {
    // Each use starts on the first control, whatever had the focus when it last closed.
    QDialog::showEvent(event);
    ui_->MemoWList->setFocus(Qt::OtherFocusReason);
    focusOnActivation_ = true;
}

void FieldPropertiesDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // A dialog shown again may become active with no control holding the keyboard.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && focusOnActivation_) {
        focusOnActivation_ = false;
        ui_->MemoWList->setFocus(Qt::ActiveWindowFocusReason);
    }
}

bool FieldPropertiesDialog::focusNextPrevChild(bool next) {
    // Tab enters the type group at its chosen item, as users of radio groups expect (Qt would
    // enter at the first item), and Shift+Tab leaves it for the word list.
    QWidget* typeStop = typeButtons_->checkedButton();
    if (typeStop == nullptr) typeStop = ui_->RadioGroupFldTypesItem0;
    const QList<QWidget*> chain = {ui_->MemoWList, typeStop, ui_->EditFldSize, ui_->CancelBtn,
                                   ui_->OKBtn};
    QWidget* focus = focusWidget();
    if (typeButtons_->buttons().contains(qobject_cast<QAbstractButton*>(focus))) focus = typeStop;
    const qsizetype at = chain.indexOf(focus);
    if (at < 0) return QDialog::focusNextPrevChild(next);
    const qsizetype count = chain.size();
    for (qsizetype step = 1; step < count; ++step) {
        QWidget* candidate = chain[(at + (next ? step : count - step)) % count];
        if (candidate->isEnabled() && candidate->isVisible()) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void FieldPropertiesDialog::limitWordList() {
    if (limiting_) return;
    QString text = ui_->MemoWList->toPlainText();
    if (text.contains(QLatin1Char('\t'))) {
        // A tab typed or pasted here would end up inside a popup word and so in the IFO file.
        const int cursorAt = ui_->MemoWList->textCursor().position();
        const int tabsBefore = int(text.left(cursorAt).count(QLatin1Char('\t')));
        text = withoutTabs(text);
        limiting_ = true;
        ui_->MemoWList->setPlainText(text);
        QTextCursor cursor = ui_->MemoWList->textCursor();
        cursor.setPosition(cursorAt - tabsBefore);
        ui_->MemoWList->setTextCursor(cursor);
        limiting_ = false;
    }
    if (wordListLength(text) <= kWordListCharLimit) {
        acceptedWords_ = text;
        return;
    }
    // Keep what was there and as much of the typed or pasted text as fits.
    const QString& before = acceptedWords_;
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < text.size() && before[prefix] == text[prefix]) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < text.size() - prefix &&
           before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
        ++suffix;
    }
    const QString head = text.left(prefix);
    const QString tail = text.right(suffix);
    QString inserted = text.mid(prefix, text.size() - prefix - suffix);
    int room = kWordListCharLimit - wordListLength(head) - wordListLength(tail);
    qsizetype keep = 0;
    while (keep < inserted.size()) {
        const int cost = inserted[keep] == QLatin1Char('\n') ? 2 : 1;
        if (cost > room) break;
        room -= cost;
        ++keep;
    }
    inserted.truncate(keep);
    limiting_ = true;
    ui_->MemoWList->setPlainText(head + inserted + tail);
    QTextCursor cursor = ui_->MemoWList->textCursor();
    cursor.setPosition(int(head.size() + inserted.size()));
    ui_->MemoWList->setTextCursor(cursor);
    limiting_ = false;
    acceptedWords_ = ui_->MemoWList->toPlainText();
}

}  // namespace rq
