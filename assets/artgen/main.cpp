// SPDX-License-Identifier: GPL-3.0-or-later
// morrow-artgen: paints every picture of the game.
//
//   morrow-artgen <program-dir> <embedded-dir>   write all pictures
//   morrow-artgen --contact-sheet <out.png>       one PNG showing them all
#include "ArtSet.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // The generator never shows a window; run it headless unless told
    // otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    try {
        if (args.size() == 3 && args[1] == QStringLiteral("--contact-sheet")) {
            const QImage sheet = morrow::artgen::ContactSheet(morrow::artgen::BuildArt());
            if (!sheet.save(args[2], "PNG")) {
                std::fprintf(stderr, "morrow-artgen: cannot write %s\n", qPrintable(args[2]));
                return 1;
            }
            return 0;
        }
        if (args.size() != 3) {
            std::fprintf(stderr, "usage: morrow-artgen <program-dir> <embedded-dir>\n"
                                 "       morrow-artgen --contact-sheet <out.png>\n");
            return 2;
        }
        morrow::artgen::WriteArt(morrow::artgen::BuildArt(), args[1], args[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morrow-artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
