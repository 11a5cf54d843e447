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
    // Empties Memo1 and loads the file's lines into it; false when the file cannot be read.
    bool showLog(const QString& path);

  private:
    std::unique_ptr<Ui::ConverterErrorDialog> ui_;
};

}  // namespace rq
