// SPDX-License-Identifier: MIT
#pragma once
// The progress dialog, shown without blocking while a conversion works.

#include <QDialog>
#include <QFont>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/host_services.h"

class QFrame;
namespace Ui {
class ProgressDialog;
}

namespace rq {

// Shortens a path for a narrow label: each step drops the leftmost remaining folder behind
// "...", then the drive goes, then the dots; the file name itself is never cut.
QString shortenPath(const QString& path, const std::function<bool(const QString&)>& fits);

class ProgressDialog : public QDialog {
    Q_OBJECT
  public:
    // `measureFont` is the main window's font, in which the source path is measured.
    explicit ProgressDialog(const QFont& measureFont, QWidget* parent = nullptr);
    ~ProgressDialog() override;

    void showPhase(ProgressPhase phase);
    void setPrefixLine(const QString& text);
    void showRecordLabel(bool shown);
    void setRecordNumber(long n);
    void setSourceFile(const QString& path);
    void showBar(bool shown);
    void stepProgress(int n);
    void showProgress();
    void hideProgress();
    // The Cancel button, shown while the converter runs; pressing it asks once to stop.
    void showCancel(bool shown);
    bool cancelShown() const;
    // Gives the Cancel button the keyboard focus again when it shows.
    void focusCancel();

    ProgressPhase phase() const { return phase_; }
    // The whole path of the source file in hand, as given to setSourceFile.
    const QString& sourceFile() const { return sourceFile_; }
    long recordNumber() const { return recordNumber_; }

  Q_SIGNALS:
    void cancelRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    QFont measureFont_;
    std::unique_ptr<Ui::ProgressDialog> ui_;
    std::vector<std::pair<ProgressPhase, QFrame*>> phasePanels_;
    ProgressPhase phase_ = ProgressPhase::EndNoteToCsv;
    long recordNumber_ = 0;
    QString sourceFile_;
    bool recordShowPending_ = false;
};

}  // namespace rq
