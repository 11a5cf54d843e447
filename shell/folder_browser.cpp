// SPDX-License-Identifier: MIT
#include "shell/folder_browser.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPushButton>

#include "shell/font_scale.h"
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
    ui_->FolderTree->setAccessibleName(QStringLiteral("Folders"));
    for (int column = 1; column < model_->columnCount(); ++column) {
        ui_->FolderTree->hideColumn(column);
    }
    connect(model_, &QFileSystemModel::directoryLoaded, this, &FolderBrowser::folderLoaded);
    selectFolder(startFolder);

    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // OK needs a folder to answer with.
    auto updateOk = [this] { ui_->OKBtn->setEnabled(!selectedFolder().isEmpty()); };
    connect(ui_->FolderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            updateOk);
    updateOk();
    scaleForFont(*this);
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
    // The model reads the folders in the background: rows above the start folder that arrive
    // later push it out of sight, so it is scrolled to again as each folder on its path loads.
    startFolder_ = model_->filePath(index);
}

void FolderBrowser::folderLoaded(const QString& path) {
    if (startFolder_.isEmpty() || !startFolder_.startsWith(path)) return;
    const QModelIndex index = model_->index(startFolder_);
    if (index.isValid()) ui_->FolderTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool FolderBrowser::selectionInView() const {
    const QModelIndex current = ui_->FolderTree->currentIndex();
    return current.isValid() &&
           ui_->FolderTree->viewport()->rect().contains(ui_->FolderTree->visualRect(current));
}

}  // namespace rq
