#include "tools/service_program.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>

namespace {

// A signal handler may only write; the event loop reads the other end.
int signal_pipe[2] = {-1, -1};

void on_signal(int) {
    const char byte = 1;
    (void)!write(signal_pipe[1], &byte, 1);
}

}  // namespace

int service_fail(const QString& message, int status) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
    return status;
}

void add_service_options(QCommandLineParser& parser) {
    parser.addOption({{"h", "help"}, "Show this help."});
    parser.addOption({"version", "Show the version."});
}

bool parse_service_arguments(QCommandLineParser& parser, QString& error) {
    if (!parser.parse(QCoreApplication::arguments())) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet("help")) {
        parser.showHelp();
    }
    if (parser.isSet("version")) {
        parser.showVersion();
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments()[0]);
        return false;
    }
    return true;
}

bool quit_on_signals() {
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    auto* notifier =
        new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = on_signal;
    // Any thread may take the signal; its blocking calls go on afterwards.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}
