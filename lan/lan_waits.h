#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <list>
#include <vector>

class QTimer;

// Calls that wait: for another link's lock on their unit to go, or for the
// answer to their link's message. Each ends exactly once: resumed, out of
// time, aborted, or dropped with its connection.
class lan_waits_t : public QObject {
public:
    enum kind_t { for_lock, for_answer };
    using resume_t = std::function<void(int error)>;

    // Parks a call of connection on link (0 for a link not made yet) and
    // unit. When timeout_ms is up, may_end decides: true ends the call with
    // timeout_error, false keeps it for its resumption. Abort and a closed
    // connection ask may_end too, for what it calls off.
    void park(kind_t kind, quint64 connection, int link, const QByteArray& unit, int timeout_ms,
              int timeout_error, std::function<bool()> may_end, resume_t resume);
    // Resumes, one after the other in the order they came, the lock waits on
    // unit that ready lets go on (it is asked again before each).
    void resume_ready(const QByteArray& unit, const std::function<bool(int link)>& ready);
    // Resumes every call of link waiting for an answer.
    void resume_link(int link, int error);
    // Ends every call waiting on link with lan_aborted.
    void abort_link(int link);
    // Forgets the connection's calls; nobody is there to answer.
    void drop_connection(quint64 connection);

private:
    struct wait_t {
        quint64 id;
        kind_t kind;
        quint64 connection;
        int link;
        QByteArray unit;
        QTimer* timer;
        std::function<bool()> may_end;
        resume_t resume;
    };
    std::list<wait_t>::iterator find(quint64 id);
    std::list<wait_t>::iterator erase(std::list<wait_t>::iterator wait);
    std::vector<quint64> ids(const std::function<bool(const wait_t&)>& match) const;
    void finish(quint64 id, int error);

    std::list<wait_t> waits;
    quint64 next_id = 1;
};
