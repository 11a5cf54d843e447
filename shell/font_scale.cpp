// SPDX-License-Identifier: MIT
#include "shell/font_scale.h"

#include <QApplication>
#include <QFontInfo>
#include <QLayout>
#include <QWidget>
#include <cmath>

namespace rq {
namespace {

int times(int pixels, double scale) {
    return int(std::lround(pixels * scale));
}

QSize times(QSize size, double scale) {
    // QWIDGETSIZE_MAX stays unlimited.
    auto one = [scale](int v) { return v >= QWIDGETSIZE_MAX ? v : times(v, scale); };
    return {one(size.width()), one(size.height())};
}

bool inLayout(const QLayout& layout, const QWidget& widget) {
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (item->widget() == &widget) return true;
        if (item->layout() != nullptr && inLayout(*item->layout(), widget)) return true;
    }
    return false;
}

// Whether a layout of the parent, or one nested in it, places the widget.
bool placedByLayout(const QWidget& widget) {
    const QWidget* parent = widget.parentWidget();
    return parent != nullptr && parent->layout() != nullptr && inLayout(*parent->layout(), widget);
}

void scaleFont(QWidget& widget, double scale) {
    // Only a type this widget sets in pixels: point sizes follow the font resolution already,
    // and an inherited font is scaled where it is set.
    if (!widget.testAttribute(Qt::WA_SetFont)) return;
    QFont font = widget.font();
    if (font.pixelSize() <= 0) return;
    // Rounded down: a type must not outgrow the box scaled for it.
    font.setPixelSize(int(font.pixelSize() * scale));
    widget.setFont(font);
}

void scaleLimits(QWidget& widget, double scale) {
    if (widget.minimumSize() != QSize(0, 0))
        widget.setMinimumSize(times(widget.minimumSize(), scale));
    if (widget.maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
        widget.setMaximumSize(times(widget.maximumSize(), scale));
}

}  // namespace

double fontScale() {
    const int pixels = QFontInfo(QApplication::font()).pixelSize();
    return pixels > kStandardFontPixels ? double(pixels) / kStandardFontPixels : 1.0;
}

int scaled(int pixels) {
    return times(pixels, fontScale());
}

void scaleForFont(QWidget& window, double scale) {
    if (scale <= 1.0) return;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isWindow()) continue;
        scaleFont(*child, scale);
        scaleLimits(*child, scale);
        if (!placedByLayout(*child)) {
            const QRect r = child->geometry();
            child->setGeometry(times(r.x(), scale), times(r.y(), scale), times(r.width(), scale),
                               times(r.height(), scale));
        }
    }
    scaleFont(window, scale);
    scaleLimits(window, scale);
    window.resize(times(window.size(), scale));
}

}  // namespace rq
