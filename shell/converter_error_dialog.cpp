#include "shell/converter_error_dialog.h"

#include <QFile>
#include <QPushButton>

#include "ui_converter_error_dialog.h"

namespace rq {

ConverterErrorDialog::ConverterErrorDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::ConverterErrorDialog>()) {
    ui_->setupUi(this);
    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

ConverterErrorDialog::~ConverterErrorDialog() = default;

bool ConverterErrorDialog::showLog(const QString& path) {
    ui_->Memo1->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QStringList lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        lines << QString::fromLatin1(line);
    }
    ui_->Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    return true;
}

}  // namespace rq
