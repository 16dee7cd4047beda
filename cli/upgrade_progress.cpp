#include "cli/upgrade_progress.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli_output.h"
#include "upgrade/image_reader.h"

namespace {

constexpr int bar_width = 40;

QByteArray section_name(uint type) {
    switch (type) {
        case section_application:
            return "application";
        case section_bootloader:
            return "bootloader";
        default:
            return "identity";
    }
}

}  // namespace

upgrade_progress_t::upgrade_progress_t(style_t output_style) : style(output_style) {}

upgrade_progress_t::style_t upgrade_progress_t::style_for_output(bool json) {
    if (json) {
        return style_t::quiet;
    }
#ifdef _WIN32
    const bool terminal = _isatty(_fileno(stdout)) != 0;
#else
    const bool terminal = isatty(fileno(stdout)) != 0;
#endif
    return terminal ? style_t::bar : style_t::lines;
}

void upgrade_progress_t::begin_section(ulong section_total, uint type) {
    finish();
    section = section_name(type);
    total = section_total;
    shown_percent = -1;
    show(0);
}

void upgrade_progress_t::advance(ulong done) {
    show(done);
}

void upgrade_progress_t::finish() {
    if (bar_open) {
        std::fputc('\n', stdout);
        bar_open = false;
    }
}

void upgrade_progress_t::show(ulong done) {
    const int percent = total == 0 ? 100 : int(qulonglong(qMin(done, total)) * 100 / total);
    if (style == style_t::quiet || percent == shown_percent ||
        (style == style_t::lines && percent / 10 == shown_percent / 10 && shown_percent >= 0)) {
        return;
    }
    shown_percent = percent;
    const QByteArray figures =
        QByteArray::number(percent) + "% of " + QByteArray::number(qulonglong(total)) + " bytes";
    if (style == style_t::lines) {
        // A log that follows the output sees each line as it comes.
        print_line(section + ' ' + figures);
        std::fflush(stdout);
        return;
    }
    const int filled = percent * bar_width / 100;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(bar_width - filled, '-');
    std::fprintf(stdout, "\r%-11s [%s] %s", section.constData(), bar.constData(),
                 figures.constData());
    std::fflush(stdout);
    bar_open = true;
}
