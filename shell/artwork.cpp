// SPDX-License-Identifier: MIT
#include "shell/artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace rq::artwork {
namespace {

QImage blank(int width, int height, QColor fill) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

QFont font(const QString& family, int pixelSize, bool bold, bool italic = false) {
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The handheld body shared by the program icon and the second picture.
void drawHandheld(QPainter& p, const QRect& body, int screenInset, const QString& screenText,
                  int textPixels) {
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(128, 128, 128));
    p.drawRoundedRect(body, body.width() / 6.0, body.width() / 6.0);
    const int screenHeight = body.height() * 55 / 100;
    const QRect screen(body.left() + screenInset, body.top() + screenInset,
                       body.width() - 2 * screenInset, screenHeight);
    p.setBrush(QColor(0, 255, 0));
    p.drawRect(screen);
    p.setPen(QColor(0, 0, 0));
    p.setFont(font(QStringLiteral("Sans"), textPixels, true));
    p.drawText(screen, Qt::AlignCenter, screenText);
    // Four buttons below the screen.
    p.setBrush(QColor(0, 0, 128));
    const int buttonTop = screen.bottom() + (body.bottom() - screen.bottom()) / 3;
    const int step = body.width() / 5;
    const int size = qMax(2, step / 2);
    for (int i = 1; i <= 4; ++i) {
        p.drawEllipse(QRect(body.left() + i * step - size / 2, buttonTop, size, size));
    }
}

QImage withCaption(const QImage& picture, const QString& caption) {
    QImage image = blank(56, 60, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage((image.width() - picture.width()) / 2, 0, picture);
    p.setPen(QColor(0, 0, 0));
    p.setFont(font(QStringLiteral("Sans"), 11, false));
    p.drawText(QRect(0, 44, image.width(), 16), Qt::AlignCenter, caption);
    return image;
}

}  // namespace

QImage productName() {
    QImage image = blank(146, 106, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QColor(255, 0, 0));
    p.setFont(font(QStringLiteral("Serif"), 25, true, true));
    p.drawText(QRect(2, 24, 128, 56), Qt::AlignCenter, QStringLiteral("Refquill"));
    p.setFont(font(QStringLiteral("Sans"), 9, true));
    p.drawText(QRect(128, 34, 18, 12), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("TM"));
    // A quill stroke under the name.
    QPainterPath quill;
    quill.moveTo(14, 86);
    quill.cubicTo(50, 74, 96, 94, 132, 80);
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawPath(quill);
    return image;
}

QImage secondPicture() {
    QImage image = blank(243, 108, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A reference card on the left.
    p.setPen(QColor(128, 64, 0));
    p.setBrush(QColor(255, 255, 224));
    p.drawRect(QRect(12, 18, 78, 58));
    p.setPen(QColor(96, 96, 96));
    for (int y = 30; y <= 66; y += 9) p.drawLine(20, y, 82, y);
    p.setPen(QColor(128, 0, 0));
    p.setFont(font(QStringLiteral("Serif"), 10, true));
    p.drawText(QRect(12, 80, 78, 16), Qt::AlignCenter, QStringLiteral("EndNote"));
    // Arrows both ways.
    p.setPen(QPen(QColor(255, 128, 0), 3));
    p.drawLine(100, 40, 150, 40);
    p.drawLine(150, 40, 142, 33);
    p.drawLine(150, 40, 142, 47);
    p.drawLine(100, 58, 150, 58);
    p.drawLine(100, 58, 108, 51);
    p.drawLine(100, 58, 108, 65);
    // A handheld on the right.
    drawHandheld(p, QRect(166, 8, 60, 88), 8, QStringLiteral("JFile"), 12);
    return image;
}

QImage programIcon() {
    QImage image = blank(32, 32, Qt::black);
    {
        QPainter p(&image);
        drawHandheld(p, QRect(6, 1, 20, 30), 2, QStringLiteral("RQ"), 8);
    }
    // 16 colours, as the icon format of the desktop it was made for allows.
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
        .convertToFormat(QImage::Format_ARGB32);
}

QImage banner() {
    QImage image = blank(125, 41, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(QRect(4, 4, 33, 33), programIcon());
    p.setPen(QColor(255, 0, 0));
    p.setFont(font(QStringLiteral("Serif"), 16, true, true));
    p.drawText(QRect(40, 0, 85, 41), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Refquill"));
    return image;
}

QImage jfilePicture() {
    QImage icon = blank(40, 40, Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        // A small table: the JFile database.
        p.setPen(QColor(0, 0, 0));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRect(4, 6, 32, 28));
        p.setBrush(QColor(0, 0, 160));
        p.drawRect(QRect(4, 6, 32, 7));
        for (int y = 20; y < 34; y += 7) p.drawLine(4, y, 36, y);
        p.drawLine(16, 13, 16, 34);
        p.setPen(QColor(255, 255, 255));
        p.setFont(font(QStringLiteral("Sans"), 7, true));
        p.drawText(QRect(4, 6, 32, 7), Qt::AlignCenter, QStringLiteral("J"));
    }
    return withCaption(icon, QStringLiteral("JFile 4"));
}

QImage csvPicture() {
    QImage image = blank(56, 60, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath page;
    page.moveTo(12, 4);
    page.lineTo(36, 4);
    page.lineTo(46, 14);
    page.lineTo(46, 56);
    page.lineTo(12, 56);
    page.closeSubpath();
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(page);
    p.drawLine(36, 4, 36, 14);
    p.drawLine(36, 14, 46, 14);
    p.setPen(QColor(0, 128, 0));
    p.setFont(font(QStringLiteral("Sans"), 12, true));
    p.drawText(QRect(12, 22, 34, 20), Qt::AlignCenter, QStringLiteral("CSV"));
    p.setPen(QColor(128, 128, 128));
    p.drawLine(17, 46, 41, 46);
    p.drawLine(17, 50, 41, 50);
    return image;
}

QImage endNotePicture() {
    QImage icon = blank(40, 40, Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        // A closed book.
        p.setPen(QColor(0, 0, 0));
        p.setBrush(QColor(160, 0, 0));
        p.drawRoundedRect(QRect(8, 4, 26, 34), 3, 3);
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRect(30, 8, 4, 28));
        p.setPen(QColor(255, 255, 255));
        p.setFont(font(QStringLiteral("Serif"), 14, true));
        p.drawText(QRect(8, 4, 22, 34), Qt::AlignCenter, QStringLiteral("N"));
    }
    return withCaption(icon, QStringLiteral("endNote"));
}

std::vector<NamedImage> all() {
    return {
        {QStringLiteral("product.png"), productName()},
        {QStringLiteral("second.png"), secondPicture()},
        {QStringLiteral("refquill.png"), programIcon()},
        {QStringLiteral("banner.png"), banner()},
        {QStringLiteral("jfile.png"), jfilePicture()},
        {QStringLiteral("csv.png"), csvPicture()},
        {QStringLiteral("endnote.png"), endNotePicture()},
    };
}

}  // namespace rq::artwork
