#include "DisplayConnection.h"

#include <QByteArray>
#include <QtGlobal>

namespace morrow {

void SendFramesOverTheDisplayConnection() {
    // Qt's X11 platform only asks whether the variable is there.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
    }
}

} // namespace morrow
