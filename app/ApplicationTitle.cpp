#include "ApplicationTitle.h"

#include "ArtResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>

namespace morrow {

void ApplyApplicationTitle() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
    QGuiApplication::setWindowIcon(GameIcon());
}

QIcon GameIcon() {
    // Every size painted for the desktop, from the program directory, and
    // the large one compiled in, so the icon is there even without its files.
    QIcon icon(QString::fromLatin1(art::kIcon));
    const QDir themeDir(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                        QString::fromLatin1(art::kIconThemeDir) + QStringLiteral("/hicolor"));
    for (const int size : {16, 32, 48, 64, 128}) {
        const QString file = themeDir.filePath(
            QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(QString::fromLatin1(kApplicationName)));
        if (QFile::exists(file)) {
            icon.addFile(file, QSize(size, size));
        }
    }
    return icon;
}

} // namespace morrow
