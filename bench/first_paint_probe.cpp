// Preloaded (LD_PRELOAD) into a Qt program to tell when its first window has
// been painted, so the program under measurement stays exactly as shipped.
// Prints the monotonic clock and the platform plug-in, then ends the process.
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <cstdio>

#include "bench/monotonic_clock.h"

namespace {

class first_paint_probe_t : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen = true;
            // Runs once the whole paint pass, the flush to the screen included, is over.
            QMetaObject::invokeMethod(this, &first_paint_probe_t::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report() {
        std::printf("first_paint_ns=%lld platform=%s\n", monotonic_ns(),
                    qPrintable(QGuiApplication::platformName()));
        std::fflush(stdout);
        _exit(0);
    }

    bool seen = false;
};

void install_probe() {
    qApp->installEventFilter(new first_paint_probe_t);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install_probe)
