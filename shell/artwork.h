// SPDX-License-Identifier: MIT
#pragma once
// The pictures of the windows, drawn in code. The tool draw_artwork writes them as the PNG files
// under resources/icons/, which the program embeds; draw here, then run the tool to refresh them.

#include <QImage>
#include <QString>
#include <vector>

namespace rq::artwork {

QImage productName();     // 146 x 106: "Refquill" in red on black, with the trademark sign
QImage secondPicture();   // 243 x 108: a reference card travelling to a handheld
QImage programIcon();     // 32 x 32, 16 colours: a handheld whose green screen shows "RQ"
QImage banner();          // 125 x 41: the main window's picture
QImage jfilePicture();    // the JFile icon captioned "JFile 4"
QImage csvPicture();      // a document with the letters CSV
QImage endNotePicture();  // the EndNote icon captioned "endNote"

struct NamedImage {
    QString fileName;
    QImage image;
};
std::vector<NamedImage> all();

}  // namespace rq::artwork
