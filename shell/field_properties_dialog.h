// SPDX-License-Identifier: MIT
#pragma once
// The field properties dialog: JFile field type, column width and popup word list of one field.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

#include "engine/strategy.h"

class QButtonGroup;
namespace Ui {
class FieldPropertiesDialog;
}

namespace rq {

class Prompts;

// The popup word box holds at most this many characters, a line break counting as two (the
// CR LF it becomes).
inline constexpr int kWordListCharLimit = 1990;
int wordListLength(const QString& text);

// A popup word never holds a tab: the word box drops tabs that are pasted into it.
QString withoutTabs(QString text);

// The lines of a multi-line text as the word box hands them out: a last line break opens no
// further line and an empty box has no lines.
QStringList textLines(const QString& text);

class FieldPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    FieldPropertiesDialog(Prompts& prompts, QWidget* parent = nullptr);
    ~FieldPropertiesDialog() override;

    // Shows the dialog for one field's slot and applies OK to it; returns whether OK closed it.
    // `caption` is the caption of the field's check box.
    bool showFieldProperties(FieldSlot& slot, std::string_view caption);

    // Checks EditFldSize as when it loses the focus; false when it had to be reset.
    bool checkColumnWidthEntry();

    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void limitWordList();
    int selectedTypeCode() const;

    Prompts& prompts_;
    std::unique_ptr<Ui::FieldPropertiesDialog> ui_;
    QButtonGroup* typeButtons_;
    QString acceptedWords_;  // the word box's text before the edit in hand
    bool limiting_ = false;
    bool checking_ = false;
    bool focusOnActivation_ = false;
};

}  // namespace rq
