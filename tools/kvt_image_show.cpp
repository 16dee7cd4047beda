#include <QFile>
#include <QTextStream>
#include <cstring>

#include "tools/kvt_image.h"
#include "upgrade/image_reader.h"

namespace {

// Sets the acceptance values from the options; false on anything else.
bool parse_acceptance(const QStringList& options) {
    bool ok_a = false;
    bool ok_b = true;
    if (options.size() == 2 && options[0] == "--expect") {
        set_image_acceptance(options[1].toInt(&ok_a), 0, 0, false);
    } else if (options.size() == 3 && options[0] == "--range") {
        set_image_acceptance(0, options[1].toInt(&ok_a), options[2].toInt(&ok_b), true);
    } else {
        return options.isEmpty();
    }
    return ok_a && ok_b;
}

QString acceptance_text() {
    const image_acceptance_t a = image_acceptance();
    return a.range_mode ? QString("range %1 to %2").arg(a.min_id).arg(a.max_id)
                        : QString("exactly %1").arg(a.expected_id);
}

void print_header(QTextStream& out, const image_header_t& header) {
    const bool signature_ok =
        std::memcmp(header.signature, image_signature, sizeof image_signature) == 0;
    out << "signature:  " << QByteArray(header.signature, sizeof header.signature).toHex(' ')
        << (signature_ok ? "  passes" : "  FAILS") << "\n";
    out << "image id:   " << header.image_id
        << (image_id_accepted(header.image_id) ? "  passes (" : "  FAILS (") << acceptance_text()
        << ")\n";
    out << "end offset: " << header.end_offset << "\n";
}

bool refused_at_last_section(image_verdict_t verdict) {
    return verdict == image_data_past_end || verdict == image_chain_overshoots ||
           verdict == image_identity_too_long;
}

QString section_row(const QString& index, const QString& type, const QString& offset,
                    const QString& length) {
    return QString("  %1  %2 %3 %4").arg(index, 4).arg(type, -16).arg(offset, 10).arg(length, 11);
}

void print_chain(QTextStream& out, const QVector<section_descriptor_t>& chain,
                 image_verdict_t verdict) {
    if (chain.isEmpty()) {
        return;
    }
    out << "sections:\n" << section_row("#", "type", "offset", "length") << "\n";
    for (int i = 0; i < chain.size(); ++i) {
        const section_descriptor_t& s = chain[i];
        out << section_row(QString::number(i),
                           QString("%1 %2").arg(s.type).arg(section_type_name(s.type)),
                           QString::number(s.data_offset), QString::number(s.data_length));
        out << (i == chain.size() - 1 && refused_at_last_section(verdict) ? "  <- refused\n"
                                                                          : "\n");
    }
}

}  // namespace

int show_image_command(const QStringList& args) {
    if (args.isEmpty() || !parse_acceptance(args.mid(1))) {
        QTextStream(stderr) << "kvt-image: show needs FILE [--expect N | --range MIN MAX]\n";
        return exit_usage;
    }
    const QByteArray path = QFile::encodeName(args[0]);
    QTextStream out(stdout);
    QVector<section_descriptor_t> chain;
    const image_verdict_t verdict = validate_image(path, &chain);
    out << "file:       " << args[0] << " (" << QFile(args[0]).size() << " bytes)\n";
    image_header_t header{};
    if (verdict != image_unreadable) {
        check_image_header(path, header);
        print_header(out, header);
    }
    // A number this unit refuses says nothing about the chain: walk it as if accepted.
    image_verdict_t chain_verdict = verdict;
    if (verdict == image_not_accepted) {
        set_image_acceptance(header.image_id, 0, 0, false);
        chain_verdict = validate_image(path, &chain);
    }
    print_chain(out, chain, chain_verdict);
    out << "verdict:    " << image_verdict_text(verdict) << "\n";
    if (chain_verdict != verdict && chain_verdict != image_ok) {
        out << "            " << image_verdict_text(chain_verdict) << "\n";
    }
    return verdict == image_ok ? exit_ok : exit_refused;
}
