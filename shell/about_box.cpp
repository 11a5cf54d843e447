// SPDX-License-Identifier: MIT
#include "shell/about_box.h"

#include <QPushButton>

#include "shell/black_panel.h"
#include "shell/font_scale.h"
#include "ui_about_box.h"

namespace rq {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::AboutBox>()) {
    ui_->setupUi(this);
    paintBlack(*this);
    paintBlack(*ui_->Panel1);
    ui_->Version->setText(QStringLiteral("Version " RQ_VERSION));
    // Only what is true of this build: the Qt it runs on.
    ui_->Credit2->setText(QStringLiteral("Built with Qt %1").arg(QString::fromLatin1(qVersion())));
    setCreditFont(*ui_->Version, 15, true, false);
    setCreditFont(*ui_->Comments, 13, true, false);
    for (QLabel* credit : {ui_->Credit1, ui_->Credit2, ui_->Credit3, ui_->Credit4}) {
        setCreditFont(*credit, 13, false, false);
    }
    connect(ui_->BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    scaleForFont(*this);
}

AboutBox::~AboutBox() = default;

}  // namespace rq
