#include "app/platform_preload.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QThreadPool>
#include <QWindow>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#endif

void preload_font_database() {
    QThreadPool::globalInstance()->start([] {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        QFontDatabase::families();
#else
        QFontDatabase().families();
#endif
    });
}

void connect_session_bus_early() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QThreadPool::globalInstance()->start([] { QDBusConnection::sessionBus(); });
#endif
}

void set_up_window_graphics() {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    // Widget windows have this surface type: it asks for the same set-up.
    QWindow first;
    first.setSurfaceType(QSurface::RasterGLSurface);
    first.create();
#endif
}
