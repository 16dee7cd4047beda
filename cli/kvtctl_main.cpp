#include <QCoreApplication>

#include "cli/command_line.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvtctl"));
    return run_kvtctl(QCoreApplication::arguments());
}
