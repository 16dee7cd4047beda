// What an operator waits for over each link: Rescan until the two-port
// panel has read its switches back, a click on a connector, a console query.
//   visa:   over the VISA stand-in, against the fixed pauses of that traffic
//           (5 ms after each write, 10 ms inside each query); and a click
//           with its history record against one without;
//   serial: over kvt-sim, against the same commands sent by a client made of
//           system calls alone to a second unit of the same simulator, the
//           two taking turns;
//   lan:    a click and a console query over the stand-in's TCPIP path to
//           kvt-lan on loopback, which serves a stand-in unit of its own,
//           against the same action on a stand-in unit over USB plus
//           kvt-lan's own pause after each write, the two taking turns.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_central_widget.h"
#include "bench/bare_pty_client.h"
#include "bench/bench_table.h"
#include "bench/child_process.h"
#include "driver/serial_link.h"
#include "driver/unit_discovery.h"
#include "driver/visa_session.h"
#include "panel/ui_2port_widget.h"
#include "panel/ui_usb_widget.h"
#include "scpi/ui_scpi_dialog.h"

namespace {

constexpr double visa_pauses_per_query_ms = 5 + 10;
// kvt-lan writes to its unit through the core's VISA link, which pauses after each write.
constexpr double lan_pause_per_query_ms = 5;

// The traffic of each figure: identification, then the two-port read-back.
const std::vector<std::string> connect_commands = {
    "OS?", "MN?", "SN?", "SV?", "SHOW:PRODect:ID?", "GETA?", "GETA?", "GETB?", "GETC?", "GETD?"};
// A click sets the switch and asks where it then stands.
const std::vector<std::string> click_commands = {"SETB=1", "GETB?"};
const std::vector<std::string> console_commands = {"*IDN?"};

struct figure_t {
    std::string name;
    const std::vector<std::string>* commands;
    QAbstractButton* button;
};

std::string queries(const std::vector<std::string>& commands) {
    return std::to_string(commands.size()) + (commands.size() == 1 ? " query" : " queries");
}

double milliseconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

QAbstractButton* button_named(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// The operator's three actions on one central widget and one console.
struct operator_view_t {
    ui_central_widget_t central{nullptr};
    ui_scpi_dialog_t console{nullptr};

    std::vector<figure_t> figures(const std::string& link) {
        auto* two_port = central.findChild<ui_2port_widget_item_t*>();
        return {
            {"Rescan to read-back, two-port (" + link + ")", &connect_commands,
             button_named(&central, "Rescan")},
            {"Click (" + link + ")", &click_commands,
             two_port->findChildren<QRadioButton*>().at(3)},  // B2
            {"Console query (" + link + ")", &console_commands, button_named(&console, "Query")}};
    }
};

// A click recorded in the switching history, against the same click with
// the history unreachable (its folder a file), which records nothing, in
// turns. A changed path closes the history and opens the new one, which an
// unmeasured click pays.
int run_recording(const figure_t& click, int rounds) {
    QTemporaryDir dir;
    const QByteArray writable = dir.filePath("state").toUtf8();
    const QByteArray unreachable = dir.filePath("file").toUtf8();
    QFile file(QString::fromUtf8(unreachable));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "no folder for the switching history\n");
        return 1;
    }
    std::vector<double> recorded, bare, ratios;
    for (int i = 0; i < rounds; ++i) {
        qputenv("XDG_STATE_HOME", writable);
        click.button->click();
        recorded.push_back(milliseconds([&] { click.button->click(); }));
        qputenv("XDG_STATE_HOME", unreachable);
        click.button->click();
        bare.push_back(milliseconds([&] { click.button->click(); }));
        ratios.push_back(recorded.back() / bare.back());
    }
    print_row("Click with its history record (VISA stand-in)", summarize(recorded), "ms",
              "same click, nothing recorded: " + fixed(summarize(bare).median, 1) + " ms",
              fixed(summarize(ratios).median, 3), "≤ 1.03");
    return 0;
}

int run_visa(int rounds) {
    if (!visa_available()) {
        std::fprintf(stderr, "the VISA stand-in library did not load\n");
        return 1;
    }
    operator_view_t view;
    for (const figure_t& figure : view.figures("VISA stand-in")) {
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            ms.push_back(milliseconds([&] { figure.button->click(); }));
        }
        const double floor = visa_pauses_per_query_ms * double(figure.commands->size());
        const bench_summary_t quillon = summarize(ms);
        print_row(figure.name, quillon, "ms",
                  "fixed pauses of " + queries(*figure.commands) + ": " + fixed(floor, 0) + " ms",
                  fixed(quillon.median / floor, 3), "≤ 1.05");
    }
    return run_recording(view.figures("VISA stand-in").at(1), rounds);
}

// The bare client's turn: what Rescan does to a port (reopen it and let the
// line settle), then the commands.
bool bare_turn(const std::string& port, const std::vector<std::string>& commands, bool reopen,
               int& fd) {
    if (reopen) {
        bare_close(fd);
        fd = bare_open(port);
        bare_settle(fd, serial_open_quiet_ms);
    }
    bool answered = fd >= 0;
    for (const std::string& command : commands) {
        answered = answered && bare_query(fd, command);
    }
    return answered;
}

int run_serial(int rounds) {
    if (visa_available()) {
        std::fprintf(stderr, "a VISA library loaded, so Quillon would not use its serial link\n");
        return 1;
    }
    QProcess sim;
    sim.start(BENCH_KVT_SIM_PATH, {"--units", "KVT0402Q;KVT0402Q"});
    const QStringList ports = sim_ports(first_lines(sim, 2));
    if (ports.size() < 2) {
        std::fprintf(stderr, "kvt-sim did not offer two ports\n");
        return 1;
    }
    operator_view_t view;
    unit_search_t search;
    search.port_source = [port = ports.at(0)] {
        return QList<serial_port_entry_t>{{port, true, 0xA5C3, 0x0E21}};
    };
    view.central.findChild<ui_usb_widget_t*>()->set_search(search);
    const std::string bare_port = ports.at(1).toStdString();
    int fd = bare_open(bare_port);
    int status = 0;
    for (const figure_t& figure : view.figures("kvt-sim")) {
        const bool reopen = figure.commands == &connect_commands;
        std::vector<double> ms, bare_ms, overhead;
        for (int i = 0; i < rounds && status == 0; ++i) {
            ms.push_back(milliseconds([&] { figure.button->click(); }));
            bool answered = true;
            bare_ms.push_back(milliseconds(
                [&] { answered = bare_turn(bare_port, *figure.commands, reopen, fd); }));
            status = answered ? 0 : 1;
            overhead.push_back((ms.back() - bare_ms.back()) / double(figure.commands->size()));
        }
        if (status != 0) {
            std::fprintf(stderr, "the bare client got no answer\n");
            break;
        }
        print_row(figure.name, summarize(ms), "ms",
                  "bare pty round trips, " + queries(*figure.commands) + ": " +
                      fixed(summarize(bare_ms).median, 1) + " ms",
                  fixed(summarize(overhead).median, 2, true) + " ms per query", "< 1 ms per query");
    }
    bare_close(fd);
    stop_process(sim);
    return status;
}

// Starts kvt-lan on the stand-in's units and returns the first one's resource.
QString start_lan(QProcess& lan) {
    lan.start(BENCH_KVT_LAN_PATH, QStringList());
    const QStringList lines = first_lines(lan, 1);
    return lines.isEmpty() ? QString() : lines.first().section(' ', 1);
}

int run_lan(int rounds) {
    if (!visa_available()) {
        std::fprintf(stderr, "the VISA stand-in library did not load\n");
        return 1;
    }
    QProcess lan;
    const QString lan_resource = start_lan(lan);
    if (lan_resource.isEmpty()) {
        std::fprintf(stderr, "kvt-lan did not start (is rpcbind running?)\n");
        return 1;
    }
    operator_view_t view;
    unit_search_t search;
    search.resources = QStringList{lan_resource};
    view.central.findChild<ui_usb_widget_t*>()->set_search(search);
    std::vector<figure_t> figures = view.figures("kvt-lan, loopback");
    // Rescan connects the USB unit first, as the operator sees it.
    figures.front().button->click();
    const QByteArray usb_resource = visa_resource_name();
    int status = 0;
    for (const figure_t& figure : {figures.at(1), figures.at(2)}) {
        std::vector<double> ms, usb_ms, added;
        for (int i = 0; i < rounds && status == 0; ++i) {
            status = visa_connect(lan_resource.toUtf8()) ? 0 : 1;
            ms.push_back(milliseconds([&] { figure.button->click(); }));
            status += visa_connect(usb_resource) ? 0 : 1;
            usb_ms.push_back(milliseconds([&] { figure.button->click(); }));
            added.push_back((ms.back() - usb_ms.back()) / double(figure.commands->size()) -
                            lan_pause_per_query_ms);
        }
        if (status != 0) {
            std::fprintf(stderr, "a unit could not be opened\n");
            break;
        }
        print_row(figure.name, summarize(ms), "ms",
                  "same over USB: " + fixed(summarize(usb_ms).median, 1) + " ms, plus " +
                      fixed(lan_pause_per_query_ms, 0) + " ms pause per query in kvt-lan",
                  fixed(summarize(added).median, 2, true) + " ms per query", "< 1 ms per query");
    }
    stop_process(lan);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString link = argc > 1 ? argv[1] : QString();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (link == "visa") {
        // The stand-in reads its units when first used; one two-port unit, no faults.
        qputenv("KVT_VISA_UNITS", "KVT0402Q");
        return run_visa(rounds);
    }
    if (link == "serial") {
        return run_serial(rounds);
    }
    if (link == "lan") {
        // kvt-lan, started from here, serves a stand-in unit of its own.
        qputenv("KVT_VISA_UNITS", "KVT0402Q");
        return run_lan(rounds);
    }
    std::fprintf(stderr, "usage: bench-link visa|serial|lan [rounds]\n");
    return 2;
}
