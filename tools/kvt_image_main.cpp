#include <QCoreApplication>
#include <QTextStream>

#include "quillon_version.h"
#include "tools/kvt_image.h"

namespace {

const char usage[] =
    "Usage: kvt-image make OUT --id N SECTION...\n"
    "  or:  kvt-image show FILE [--expect N | --range MIN MAX]\n"
    "  or:  kvt-image --help | --version\n"
    "\n"
    "make writes an upgrade image: the encrypted header, then each SECTION's\n"
    "descriptor and data in the order given. A SECTION is one of\n"
    "  app=FILE, boot=FILE        firmware read from FILE\n"
    "  product=TEXT, manufacturer=TEXT, pid=TEXT, vid=TEXT, product-id=TEXT\n"
    "                             identity text\n"
    "  type=N:FILE                any type number, data from FILE\n"
    "\n"
    "show prints the decrypted header, whether the signature and the image\n"
    "number pass (exactly 700 unless --expect or --range says otherwise), the\n"
    "chain of sections and why a unit would refuse the file.\n"
    "\n"
    "Exit status: 0 done or acceptable, 1 refused or failed, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == "--help" || command == "-h") {
        QTextStream(stdout) << usage;
        return exit_ok;
    }
    if (command == "--version") {
        QTextStream(stdout) << "kvt-image " << quillon_version << '\n';
        return exit_ok;
    }
    if (command == "make") {
        return make_image_command(args);
    }
    if (command == "show") {
        return show_image_command(args);
    }
    QTextStream(stderr) << "kvt-image: "
                        << (command.isEmpty() ? QStringLiteral("no command given")
                                              : QStringLiteral("unknown command ") + command)
                        << " (see --help)\n";
    return exit_usage;
}
