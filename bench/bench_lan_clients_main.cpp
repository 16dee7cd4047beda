// kvt-lan serving N clients on N units at once (N = 1, 2, 4, 8), against N
// times what one client alone gets in the same round: the two take turns, so
// a machine's drift cancels in the ratio. The units are kvt-sim's, on serial
// ports, whose framing sets how fast one unit answers; each client is a
// thread of this program on libtirpc's client stubs, a query being a write
// and the read of its answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_table.h"
#include "bench/child_process.h"
#include "bench/monotonic_clock.h"
#include "vxi11.h"

namespace {

constexpr int most_clients = 8;
constexpr int client_counts[] = {1, 2, 4, 8};
constexpr int queries_per_client = 20;
constexpr int skipped = 77;

bool rpcbind_answers() {
    sockaddr_in binder{};
    binder.sin_family = AF_INET;
    binder.sin_port = htons(111);
    binder.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&binder), sizeof binder) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return answers;
}

// One client: its own connection and link to its own unit.
struct client_t {
    std::string serial;
    CLIENT* rpc = nullptr;
    Device_Link link = 0;

    bool open() {
        rpc = clnt_create("127.0.0.1", DEVICE_CORE, DEVICE_CORE_VERSION, "tcp");
        if (rpc == nullptr) {
            return false;
        }
        Create_LinkParms parms{};
        parms.device = &serial[0];
        Create_LinkResp resp{};
        if (create_link_1(&parms, &resp, rpc) != RPC_SUCCESS || resp.error != 0) {
            return false;
        }
        link = resp.lid;
        return true;
    }

    ~client_t() {
        if (rpc != nullptr) {
            clnt_destroy(rpc);
        }
    }

    // True when every answer was the unit's serial number.
    bool run(int queries) {
        char command[] = "SN?\n";
        bool right = true;
        for (int i = 0; i < queries && right; ++i) {
            Device_WriteParms write{};
            write.lid = link;
            write.io_timeout = 1000;
            write.flags = 8;
            write.data.data_len = sizeof command - 1;
            write.data.data_val = command;
            Device_WriteResp written{};
            Device_ReadParms read{};
            read.lid = link;
            read.requestSize = 100;
            read.io_timeout = 1000;
            Device_ReadResp answer{};
            right = device_write_1(&write, &written, rpc) == RPC_SUCCESS && written.error == 0 &&
                    device_read_1(&read, &answer, rpc) == RPC_SUCCESS && answer.error == 0 &&
                    std::string(answer.data.data_val, answer.data.data_len) == serial + "\n";
            xdr_free(reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp),
                     reinterpret_cast<char*>(&answer));
        }
        return right;
    }
};

// Queries per second of the first count clients, all at once; 0 if any
// answer was wrong or missing.
double rate(std::vector<std::unique_ptr<client_t>>& clients, int count) {
    std::atomic<bool> right{true};
    std::vector<std::thread> threads;
    const long long started = monotonic_ns();
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&clients, &right, i] {
            if (!clients[size_t(i)]->run(queries_per_client)) {
                right = false;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const double seconds = double(monotonic_ns() - started) / 1e9;
    return right ? count * queries_per_client / seconds : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!rpcbind_answers()) {
        std::fprintf(stderr, "rpcbind is not running\n");
        return skipped;
    }
    QStringList units;
    for (int i = 1; i <= most_clients; ++i) {
        units << QStringLiteral("KVT0402Q,sn=BENCHL%1").arg(i);
    }
    QProcess sim;
    sim.start(BENCH_KVT_SIM_PATH, {"--units", units.join(';')});
    QStringList lan_arguments;
    for (const QString& port : sim_ports(first_lines(sim, most_clients))) {
        lan_arguments << "--port" << port;
    }
    // kvt-lan reaches the units over their serial ports, not a VISA library.
    QProcess lan;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LD_LIBRARY_PATH");
    lan.setProcessEnvironment(environment);
    lan.start(BENCH_KVT_LAN_PATH, lan_arguments);
    std::vector<std::unique_ptr<client_t>> clients;
    for (const QString& line : first_lines(lan, most_clients)) {
        clients.emplace_back(new client_t{line.section(' ', 0, 0).toStdString()});
        if (!clients.back()->open()) {
            clients.pop_back();
        }
    }
    int status = 0;
    if (clients.size() < size_t(most_clients)) {
        std::fprintf(stderr, "kvt-lan did not serve %d units\n", most_clients);
        status = 1;
    }
    for (const int count : client_counts) {
        std::vector<double> rates, alone_rates, ratios;
        for (int i = 0; i < rounds && status == 0; ++i) {
            const double alone = rate(clients, 1);
            const double together = rate(clients, count);
            status = alone > 0 && together > 0 ? 0 : 1;
            alone_rates.push_back(alone);
            rates.push_back(together);
            ratios.push_back(together / (count * alone));
        }
        if (status != 0) {
            std::fprintf(stderr, "a client got a wrong answer or none\n");
            break;
        }
        print_row("kvt-lan, " + std::to_string(count) + " client" + (count > 1 ? "s" : "") +
                      " on as many units (kvt-sim, loopback)",
                  summarize(rates), "queries/s",
                  std::to_string(count) + " × one client alone: " +
                      fixed(count * summarize(alone_rates).median, 0) + " queries/s",
                  fixed(summarize(ratios).median, 2), "≥ 0.8");
    }
    clients.clear();
    stop_process(lan);
    stop_process(sim);
    return status;
}
