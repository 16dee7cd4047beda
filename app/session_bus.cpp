#include "app/session_bus.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#include <QThreadPool>

void connect_session_bus_early() {
    QThreadPool::globalInstance()->start([] { QDBusConnection::sessionBus(); });
}
#else
void connect_session_bus_early() {}
#endif
