// SPDX-License-Identifier: MIT
#pragma once
// The settings dialog: the three folders and the HotSync user id.

#include <QDialog>
#include <memory>
#include <optional>

#include "engine/reference_record.h"
#include "engine/strategy.h"

class QLineEdit;
namespace Ui {
class SettingsDialog;
}

namespace rq {

class Prompts;

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(Prompts& prompts, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // Shows the four settings of the strategy and, when given, the format JFile databases are
    // written as; OK copies the edited values back. True after OK.
    bool showSettings(Strategy& strategy, ReferenceFormat* databaseFormat = nullptr);
    // The folder browser under the given title, opened at `startFolder`; nothing when no folder
    // was chosen.
    std::optional<QString> browseForFolder(const QString& title,
                                           const QString& startFolder = QString());

    // The Browse button of each folder row.
    void browseEndNoteFolder();
    void browsePalmInstallFolder();
    void browsePalmBackupFolder();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void browseInto(QLineEdit* edit, const QString& title);

    Prompts& prompts_;
    std::unique_ptr<Ui::SettingsDialog> ui_;
};

}  // namespace rq
