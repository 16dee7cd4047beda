#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include "tools/kvt_image.h"
#include "upgrade/image_writer.h"

namespace {

bool read_file(const QString& path, QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "kvt-image: cannot read " << path << ": " << file.errorString()
                            << "\n";
        return false;
    }
    data = file.readAll();
    return true;
}

// "name=SOURCE" or "type=N:FILE"; an unknown name or number is a usage error.
int parse_section(const QString& arg, image_section_t& section) {
    const int eq = arg.indexOf('=');
    if (eq <= 0) {
        return exit_usage;
    }
    const QString name = arg.left(eq);
    const QString source = arg.mid(eq + 1);
    if (name == "type") {
        const int colon = source.indexOf(':');
        bool ok = false;
        section.type = source.left(colon).toUInt(&ok, 0);
        if (colon < 0 || !ok) {
            return exit_usage;
        }
        return read_file(source.mid(colon + 1), section.data) ? exit_ok : exit_refused;
    }
    for (const section_name_t& entry : section_names) {
        if (name != entry.name) {
            continue;
        }
        section.type = entry.type;
        if (!entry.text) {
            return read_file(source, section.data) ? exit_ok : exit_refused;
        }
        section.data = source.toUtf8();
        const int room = identity_room(identity_prefix(entry.type));
        if (section.data.size() > room) {
            QTextStream(stderr) << "kvt-image: " << name << " text is longer than " << room
                                << " bytes\n";
            return exit_refused;
        }
        return exit_ok;
    }
    return exit_usage;
}

}  // namespace

int make_image_command(const QStringList& args) {
    QTextStream err(stderr);
    if (args.size() < 4 || args[1] != "--id") {
        err << "kvt-image: make needs OUT --id N SECTION... (see --help)\n";
        return exit_usage;
    }
    bool ok = false;
    const qint32 id = args[2].toInt(&ok);
    if (!ok) {
        err << "kvt-image: the image number must be a 32-bit integer\n";
        return exit_usage;
    }
    QVector<image_section_t> sections;
    qint64 size = image_header_size;
    for (const QString& arg : args.mid(3)) {
        image_section_t section{};
        const int result = parse_section(arg, section);
        if (result == exit_usage) {
            err << "kvt-image: not a section: " << arg << " (see --help)\n";
        }
        if (result != exit_ok) {
            return result;
        }
        size += qint64(sizeof(section_descriptor_t)) + section.data.size();
        sections.append(section);
    }
    // Offsets in an image are 32-bit.
    if (size > qint64(0xffffffffu)) {
        err << "kvt-image: the image would exceed 4 GiB\n";
        return exit_refused;
    }
    QSaveFile out(args[0]);
    if (!out.open(QIODevice::WriteOnly) || out.write(make_image(id, sections)) != size ||
        !out.commit()) {
        err << "kvt-image: cannot write " << args[0] << ": " << out.errorString() << "\n";
        return exit_refused;
    }
    return exit_ok;
}
