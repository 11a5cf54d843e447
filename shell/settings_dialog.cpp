#include "shell/settings_dialog.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/prompts.h"

namespace rq {

SettingsDialog::SettingsDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), prompts_(prompts) {
    setObjectName(QStringLiteral("FormVIZiru"));
    setWindowTitle(QStringLiteral("Refquill for Windows"));
    setFixedSize(515, 207);

    auto* folders = new QGroupBox(QStringLiteral("Folders"), this);
    folders->setObjectName(QStringLiteral("GroupBox1"));
    folders->setGeometry(8, 8, 499, 129);

    struct Row {
        const char* label;
        const char* labelHint;
        const char* edit;
        const char* button;
    };
    const Row rows[3] = {
        {"EndNote Import/Export", "Where you keep files to import/exported with Endnote",
         "EditENPath", "ButtonBrEN"},
        {"Palm Install", "Where your Palm Install Directory is", "EditPalmInstallPath",
         "ButtonBrPalmInstall"},
        {"Incoming Palm Files", "Where the backup files from your Palm are", "EditPalmBackupPath",
         "ButtonBrowseIncPalm"},
    };
    QLineEdit* edits[3] = {};
    QPushButton* buttons[3] = {};
    for (int i = 0; i < 3; ++i) {
        const int top = 24 + 36 * i;
        auto* label = new QLabel(QString::fromLatin1(rows[i].label), folders);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setToolTip(QString::fromLatin1(rows[i].labelHint));
        label->setGeometry(8, top + 3, 144, 16);
        edits[i] = new QLineEdit(folders);
        edits[i]->setObjectName(QString::fromLatin1(rows[i].edit));
        edits[i]->setToolTip(QStringLiteral("Double Click to Edit"));
        edits[i]->setGeometry(156, top, 254, 21);
        buttons[i] = new QPushButton(QStringLiteral("Browse"), folders);
        buttons[i]->setObjectName(QString::fromLatin1(rows[i].button));
        buttons[i]->setAutoDefault(false);
        buttons[i]->setGeometry(416, top - 2, 75, 25);
    }
    editENPath_ = edits[0];
    editPalmInstallPath_ = edits[1];
    editPalmBackupPath_ = edits[2];
    connect(buttons[0], &QPushButton::clicked, this, &SettingsDialog::ButtonBrENClick);
    connect(buttons[1], &QPushButton::clicked, this, &SettingsDialog::ButtonBrPalmInstallClick);
    connect(buttons[2], &QPushButton::clicked, this, &SettingsDialog::ButtonBrowseIncPalmClick);

    auto* hsLabel = new QLabel(QStringLiteral("Palm Hotsync ID"), this);
    hsLabel->setObjectName(QStringLiteral("Label4"));
    hsLabel->setGeometry(16, 152, 100, 16);
    editHSId_ = new QLineEdit(this);
    editHSId_->setObjectName(QStringLiteral("EditHSId"));
    editHSId_->setToolTip(QStringLiteral("To find this, \"shortcut . 4\" on your Palm"));
    editHSId_->setGeometry(120, 149, 80, 21);

    // Neither button answers Enter or Escape.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtnOK"));
    ok->setAutoDefault(false);
    ok->setGeometry(336, 172, 75, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    cancel->setAutoDefault(false);
    cancel->setGeometry(424, 172, 75, 25);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SettingsDialog::showSettings(Strategy& strategy) {
    editENPath_->setText(pathToQt(strategy.endNoteFolder));
    editPalmInstallPath_->setText(pathToQt(strategy.palmInstallFolder));
    editPalmBackupPath_->setText(pathToQt(strategy.palmBackupFolder));
    editHSId_->setText(textToQt(strategy.hotSyncId));
    if (prompts_.exec(*this) != QDialog::Accepted) return;
    strategy.endNoteFolder = pathFromQt(editENPath_->text());
    strategy.palmInstallFolder = pathFromQt(editPalmInstallPath_->text());
    strategy.palmBackupFolder = pathFromQt(editPalmBackupPath_->text());
    strategy.hotSyncId = pathFromQt(editHSId_->text());
}

std::optional<QString> SettingsDialog::browseForFolder(const QString& title) {
    return prompts_.chooseFolder(this, title);
}

void SettingsDialog::browseInto(QLineEdit* edit, const QString& title) {
    if (const auto folder = browseForFolder(title)) edit->setText(*folder);
}

void SettingsDialog::ButtonBrENClick() {
    browseInto(editENPath_, QStringLiteral("Incoming Endnote import/export Folder"));
}

void SettingsDialog::ButtonBrPalmInstallClick() {
    browseInto(editPalmInstallPath_,
               QStringLiteral("Palm Install Folder\n(Usually c:\\palm\\yourname\\Install)"));
}

void SettingsDialog::ButtonBrowseIncPalmClick() {
    browseInto(
        editPalmBackupPath_,
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
