// How much time a serial query spends beyond the pause by which the simulated
// unit tells commands apart: identification and a panel read-back are made of
// such queries, so this ratio is what an operator waits per click.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <functional>

#include "driver/serial_link.h"
#include "driver/unit.h"
#include "sim/pty_server.h"
#include "sim/sim_unit.h"

namespace {

constexpr int rounds = 50;

double milliseconds_per_round(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        work();
    }
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    sim_unit_t unit(sim_default_config(sim_model_t::kvt0402q));
    pty_server_t server([&unit](const QByteArray& command) { return unit.handle(command); });
    if (!server.is_open() || !serial_open(server.port_name().toUtf8())) {
        out << "no pseudo-terminal to measure on\n";
        return 1;
    }
    drv_unit_t& driver = drv_unit_instance();
    const double gap = pty_server_t::command_gap_ms;
    char position = 0;
    const double query = milliseconds_per_round([&] { driver.get_2port_state('A', position); });
    unit_info_t info;
    const double identify = milliseconds_per_round([&] { driver.identify(info); });
    out << "query:    " << query / gap << " x the unit's command pause (" << query << " ms)\n";
    out << "identify: " << identify / query << " x one query (five queries)\n";
    serial_close();
    return 0;
}
