// SPDX-License-Identifier: MIT
#include "shell/folder_browser.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPushButton>

#include "ui_folder_browser.h"

namespace rq {

FolderBrowser::FolderBrowser(const QString& title, const QString& startFolder, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FolderBrowser>()) {
    ui_->setupUi(this);
    // The title's line break stays a line break here; a window caption cannot show one.
    ui_->LabelTitle->setText(title);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());  // the top of the tree: the drives, or "/"
    ui_->FolderTree->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) {
        ui_->FolderTree->hideColumn(column);
    }
    selectFolder(startFolder);

    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // OK needs a folder to answer with.
    auto updateOk = [this] { ui_->OKBtn->setEnabled(!selectedFolder().isEmpty()); };
    connect(ui_->FolderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            updateOk);
    updateOk();
}

FolderBrowser::~FolderBrowser() = default;

QString FolderBrowser::selectedFolder() const {
    const QModelIndex current = ui_->FolderTree->currentIndex();
    if (!current.isValid()) return {};
    return QDir::toNativeSeparators(model_->filePath(current));
}

void FolderBrowser::selectFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
    const QModelIndex index = model_->index(QDir::cleanPath(QDir::fromNativeSeparators(folder)));
    if (!index.isValid()) return;
    ui_->FolderTree->setCurrentIndex(index);
    ui_->FolderTree->scrollTo(index);
    ui_->FolderTree->expand(index);
}

}  // namespace rq
