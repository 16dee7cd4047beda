#pragma once

#include <QString>

class QCommandLineParser;

// What kvt-sim and kvt-lan share as programs that serve until told to stop.

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

// Prints "program: message" on standard error and returns status.
int service_fail(const QString& message, int status);

// Adds -h/--help and --version; Qt's own help option would also offer
// --help-all, and take -v, which is verbose in kvt-sim. Call before the
// program adds its options.
void add_service_options(QCommandLineParser& parser);

// Parses the application's arguments, shows help or the version and exits
// when asked for them; false with the reason for a usage error, including any
// positional argument.
bool parse_service_arguments(QCommandLineParser& parser, QString& error);

// Makes SIGINT and SIGTERM end the running QCoreApplication's event loop.
// Call once, after the application object exists.
bool quit_on_signals();
