// SPDX-License-Identifier: MIT
#pragma once
// The error report: the lines of the log that the converter left when it failed.

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class ConverterErrorDialog;
}

namespace rq {

class ConverterErrorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ConverterErrorDialog(QWidget* parent = nullptr);
    ~ConverterErrorDialog() override;
    // Empties Memo1 and loads the log's lines into it (Windows-1252, as the converter writes
    // them); `failedFile` is the user's file whose conversion failed, named above the log.
    // False when the log cannot be read.
    bool showLog(const QString& path, const QString& failedFile = QString());

  private:
    std::unique_ptr<Ui::ConverterErrorDialog> ui_;
};

}  // namespace rq
