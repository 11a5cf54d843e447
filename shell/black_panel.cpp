// SPDX-License-Identifier: MIT
#include "shell/black_panel.h"

#include <QLabel>
#include <QPalette>

namespace rq {

void paintBlack(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(kCreditRed, kCreditGreen, kCreditBlue));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void setCreditFont(QLabel& label, int pixelSize, bool bold, bool serif) {
    QFont font = label.font();
    if (serif) font.setFamily(QStringLiteral("Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label.setFont(font);
}

}  // namespace rq
