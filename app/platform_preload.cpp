#include "app/platform_preload.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#define QUILLON_BUS_EARLY
#include <QDBusConnection>
#include <QThreadPool>
#endif

void connect_session_bus_early() {
#ifdef QUILLON_BUS_EARLY
    QThreadPool::globalInstance()->start([] { QDBusConnection::sessionBus(); });
#endif
}
