#include "lan/unit_worker.h"

#include "lan/unit_session.h"

unit_worker_t::unit_worker_t(const QByteArray& link_name) : link_name(link_name) {
    inbox.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(
        &inbox, [this] { session.reset(new unit_session_t(this->link_name)); },
        Qt::QueuedConnection);
}

unit_worker_t::~unit_worker_t() {
    QMetaObject::invokeMethod(
        &inbox,
        [this] {
            session.reset();
            thread.quit();
        },
        Qt::QueuedConnection);
    thread.wait();
}

void unit_worker_t::post(std::function<void(unit_session_t&)> work) {
    QMetaObject::invokeMethod(
        &inbox, [this, work = std::move(work)] { work(*session); }, Qt::QueuedConnection);
}
