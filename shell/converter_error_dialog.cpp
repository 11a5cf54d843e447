// SPDX-License-Identifier: MIT
#include "shell/converter_error_dialog.h"

#include <QFile>
#include <QFontMetrics>
#include <QPushButton>

#include "shell/font_scale.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"

#include "ui_converter_error_dialog.h"

namespace rq {

ConverterErrorDialog::ConverterErrorDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::ConverterErrorDialog>()) {
    ui_->setupUi(this);
    ui_->Memo1->setAccessibleName(QStringLiteral("Converter error log"));
    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    scaleForFont(*this);
}

ConverterErrorDialog::~ConverterErrorDialog() = default;

bool ConverterErrorDialog::showLog(const QString& path, const QString& failedFile) {
    ui_->Memo1->clear();
    const QFontMetrics metrics(ui_->LabelFailedFile->font());
    const QString prefix = QStringLiteral("File: ");
    const int room = ui_->LabelFailedFile->width() - metrics.horizontalAdvance(prefix);
    ui_->LabelFailedFile->setText(failedFile.isEmpty()
                                      ? QString()
                                      : prefix + shortenPath(failedFile, [&](const QString& text) {
                                            return metrics.horizontalAdvance(text) <= room;
                                        }));
    ui_->LabelFailedFile->setToolTip(failedFile);
    // Enter answers OK from the first moment.
    ui_->OKBtn->setFocus(Qt::OtherFocusReason);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QStringList lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        // Our converter writes its report in UTF-8; a line that is no UTF-8 comes from an
        // older converter, which wrote the desktop's code page.
        lines << textToQt(std::string_view(line.constData(), std::size_t(line.size())));
    }
    ui_->Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    return true;
}

}  // namespace rq
