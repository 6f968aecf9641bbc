#include "ApplicationTitle.h"

#include <QGuiApplication>

namespace morrow {

void ApplyApplicationTitle() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
}

} // namespace morrow
