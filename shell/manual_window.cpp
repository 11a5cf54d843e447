// SPDX-License-Identifier: MIT
#include "shell/manual_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace rq {

ManualWindow::ManualWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("ManualWindow"));
    setWindowTitle(QStringLiteral("Refquill manual"));
    browser_->setObjectName(QStringLiteral("ManualText"));
    browser_->setAccessibleName(QStringLiteral("Manual"));
    browser_->setOpenExternalLinks(true);
    // The manual's pictures are embedded beside it.
    browser_->setSearchPaths({QStringLiteral(":/manual")});
    QFile manual(QStringLiteral(":/manual/README.md"));
    if (manual.open(QIODevice::ReadOnly))
        browser_->setMarkdown(QString::fromUtf8(manual.readAll()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Close"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseBtn"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    // Wide enough for the manual's tables; the scale follows the font.
    const QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * 100, metrics.height() * 40);
}

QString ManualWindow::text() const {
    return browser_->toPlainText();
}

}  // namespace rq
