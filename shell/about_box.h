// SPDX-License-Identifier: MIT
#pragma once
// The About box: the artwork, the version and the credit lines.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace rq {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

  private:
    std::unique_ptr<Ui::AboutBox> ui_;
};

}  // namespace rq
