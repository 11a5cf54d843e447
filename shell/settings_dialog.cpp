// SPDX-License-Identifier: MIT
#include "shell/settings_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "shell/font_scale.h"
#include "shell/native_names.h"
#include "shell/prompts.h"
#include "ui_settings_dialog.h"

namespace rq {

SettingsDialog::SettingsDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      prompts_(prompts),
      ui_(std::make_unique<Ui::SettingsDialog>()) {
    ui_->setupUi(this);
    // A screen reader names each entry by its label, and each Browse button by its row.
    ui_->Label1->setBuddy(ui_->EditENPath);
    ui_->Label2->setBuddy(ui_->EditPalmInstallPath);
    ui_->Label3->setBuddy(ui_->EditPalmBackupPath);
    ui_->Label4->setBuddy(ui_->EditHSId);
    ui_->ButtonBrEN->setAccessibleName(QStringLiteral("Browse for the EndNote folder"));
    ui_->ButtonBrPalmInstall->setAccessibleName(
        QStringLiteral("Browse for the Palm install folder"));
    ui_->ButtonBrowseIncPalm->setAccessibleName(
        QStringLiteral("Browse for the Palm backup folder"));
    connect(ui_->ButtonBrEN, &QPushButton::clicked, this, &SettingsDialog::browseEndNoteFolder);
    connect(ui_->ButtonBrPalmInstall, &QPushButton::clicked, this,
            &SettingsDialog::browsePalmInstallFolder);
    connect(ui_->ButtonBrowseIncPalm, &QPushButton::clicked, this,
            &SettingsDialog::browsePalmBackupFolder);
    connect(ui_->BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    scaleForFont(*this);
}

SettingsDialog::~SettingsDialog() = default;

namespace {
// The choices of "Write JFile databases as", in the order of the list.
constexpr ReferenceFormat kDatabaseFormats[] = {ReferenceFormat::EndNoteExport,
                                                ReferenceFormat::Ris, ReferenceFormat::BibTeX,
                                                ReferenceFormat::CslJson};
}  // namespace

bool SettingsDialog::showSettings(Strategy& strategy, ReferenceFormat* databaseFormat) {
    ui_->ComboDatabaseFormat->setEnabled(databaseFormat != nullptr);
    for (int i = 0; databaseFormat != nullptr && i < static_cast<int>(std::size(kDatabaseFormats));
         ++i) {
        if (kDatabaseFormats[i] == *databaseFormat) ui_->ComboDatabaseFormat->setCurrentIndex(i);
    }
    // The names the user knows; saving the strategy stores the short form again where needed.
    ui_->EditENPath->setText(longFolderName(pathToQt(strategy.endNoteFolder)));
    ui_->EditPalmInstallPath->setText(longFolderName(pathToQt(strategy.palmInstallFolder)));
    ui_->EditPalmBackupPath->setText(longFolderName(pathToQt(strategy.palmBackupFolder)));
    ui_->EditHSId->setText(textToQt(strategy.hotSyncId));
    if (prompts_.exec(*this) != QDialog::Accepted) return false;
    const int chosen = ui_->ComboDatabaseFormat->currentIndex();
    if (databaseFormat != nullptr && chosen >= 0 &&
        chosen < static_cast<int>(std::size(kDatabaseFormats)))
        *databaseFormat = kDatabaseFormats[chosen];
    strategy.endNoteFolder = pathFromQt(ui_->EditENPath->text());
    strategy.palmInstallFolder = pathFromQt(ui_->EditPalmInstallPath->text());
    strategy.palmBackupFolder = pathFromQt(ui_->EditPalmBackupPath->text());
    strategy.hotSyncId = pathFromQt(ui_->EditHSId->text());
    return true;
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
    // Escape cancels, as the close box does. Enter stays unbound: a path typed into a row is
    // not confirmed by the key that ends typing it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace rq
