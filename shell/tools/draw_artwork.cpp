// SPDX-License-Identifier: MIT
// Writes the windows' pictures as PNG files into the given folder (resources/icons/).
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "shell/artwork.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_artwork <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const auto& [name, image] : rq::artwork::all()) {
        if (!image.save(folder.filePath(name), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(name)));
            return 1;
        }
    }
    return 0;
}
