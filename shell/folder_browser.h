// SPDX-License-Identifier: MIT
#pragma once
// The folder browser of the settings dialog: the folders of the file system from the top of the
// tree, opened at the folder already set, with the row's title (two lines) above the tree.

#include <QDialog>
#include <QString>
#include <memory>

class QFileSystemModel;
namespace Ui {
class FolderBrowser;
}

namespace rq {

class FolderBrowser : public QDialog {
    Q_OBJECT
  public:
    // `startFolder` is selected and shown when it exists; otherwise nothing is selected.
    FolderBrowser(const QString& title, const QString& startFolder, QWidget* parent = nullptr);
    ~FolderBrowser() override;

    // The chosen folder in the system's notation; empty when none is selected.
    QString selectedFolder() const;
    void selectFolder(const QString& folder);
    // Whether the selected folder's row lies wholly in the visible part of the tree.
    bool selectionInView() const;

  private:
    void folderLoaded(const QString& path);

    QString startFolder_;
    std::unique_ptr<Ui::FolderBrowser> ui_;
    QFileSystemModel* model_;
};

}  // namespace rq
