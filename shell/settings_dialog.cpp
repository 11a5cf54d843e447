// SPDX-License-Identifier: MIT
#include "shell/settings_dialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "shell/native_names.h"
#include "shell/prompts.h"
#include "ui_settings_dialog.h"

namespace rq {

SettingsDialog::SettingsDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      prompts_(prompts),
      ui_(std::make_unique<Ui::SettingsDialog>()) {
    ui_->setupUi(this);
    connect(ui_->ButtonBrEN, &QPushButton::clicked, this, &SettingsDialog::browseEndNoteFolder);
    connect(ui_->ButtonBrPalmInstall, &QPushButton::clicked, this,
            &SettingsDialog::browsePalmInstallFolder);
    connect(ui_->ButtonBrowseIncPalm, &QPushButton::clicked, this,
            &SettingsDialog::browsePalmBackupFolder);
    connect(ui_->BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::showSettings(Strategy& strategy) {
    // The names the user knows; saving the strategy stores the short form again where needed.
    ui_->EditENPath->setText(longFolderName(pathToQt(strategy.endNoteFolder)));
    ui_->EditPalmInstallPath->setText(longFolderName(pathToQt(strategy.palmInstallFolder)));
    ui_->EditPalmBackupPath->setText(longFolderName(pathToQt(strategy.palmBackupFolder)));
    ui_->EditHSId->setText(textToQt(strategy.hotSyncId));
    if (prompts_.exec(*this) != QDialog::Accepted) return;
    strategy.endNoteFolder = pathFromQt(ui_->EditENPath->text());
    strategy.palmInstallFolder = pathFromQt(ui_->EditPalmInstallPath->text());
    strategy.palmBackupFolder = pathFromQt(ui_->EditPalmBackupPath->text());
    strategy.hotSyncId = pathFromQt(ui_->EditHSId->text());
}

std::optional<QString> SettingsDialog::browseForFolder(const QString& title,
                                                       const QString& startFolder) {
    return prompts_.chooseFolder(this, title, startFolder);
}

void SettingsDialog::browseInto(QLineEdit* edit, const QString& title) {
    // Opens at the folder the row already names.
    if (const auto folder = browseForFolder(title, edit->text())) edit->setText(*folder);
}

void SettingsDialog::browseEndNoteFolder() {
    browseInto(ui_->EditENPath, QStringLiteral("Incoming Endnote import/export Folder"));
}

void SettingsDialog::browsePalmInstallFolder() {
    browseInto(ui_->EditPalmInstallPath,
               QStringLiteral("Palm Install Folder\n(Usually c:\\palm\\yourname\\Install)"));
}

void SettingsDialog::browsePalmBackupFolder() {
    browseInto(
        ui_->EditPalmBackupPath,
        QStringLiteral("Incoming Palm PDB File Folder\n(Usually c:\\palm\\yourname\\backup)"));
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();  // no Cancel binding; only the close box cancels
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace rq
