// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"

#include "ArtResources.h"
#include "PlayFieldAccessible.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>

namespace morrow {

void ApplyApplicationTitle() {
    // The X11 window class is the application name. The game's own files
    // (the game record, the help cache) have fixed folders and do not
    // depend on it.
    QCoreApplication::setApplicationName(QString::fromLatin1(kDesktopId));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QGuiApplication::setWindowIcon(GameIcon());
    InstallGameAccessibility();
}

QIcon GameIcon() {
    // Every size painted for the desktop, from the program directory, and
    // the large one compiled in, so the icon is there even without its files.
    QIcon icon(QString::fromLatin1(art::kIcon));
    const QDir themeDir(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                        QString::fromLatin1(art::kIconThemeDir) + QStringLiteral("/hicolor"));
    for (const int size : {16, 32, 48, 64, 128}) {
        for (const char* name : {kDesktopId, kProgramName}) {
            const QString file = themeDir.filePath(
                QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(QString::fromLatin1(name)));
            if (QFile::exists(file)) {
                icon.addFile(file, QSize(size, size));
                break;
            }
        }
    }
    return icon;
}

} // namespace morrow
