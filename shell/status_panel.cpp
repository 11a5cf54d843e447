// SPDX-License-Identifier: MIT
#include "shell/status_panel.h"

#include <QFontMetrics>

namespace rq {

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusPanel::setFullText(const QString& text) {
    fullText_ = text;
    setToolTip(text);
    showFitted();
}

QSize StatusPanel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QSize StatusPanel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

void StatusPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showFitted();
}

void StatusPanel::showFitted() {
    // A framed label with no indent set keeps half an "x" from its frame.
    const QFontMetrics metrics = fontMetrics();
    const int indentWidth = indent() >= 0      ? indent()
                            : frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2
                                               : 0;
    const int room = contentsRect().width() - 2 * margin() - indentWidth;
    setText(metrics.elidedText(fullText_, Qt::ElideRight, room));
}

}  // namespace rq
