#include "cli/upgrade_progress.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

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

upgrade_progress_t::upgrade_progress_t(style_t output_style, bool several_units)
    : style(output_style), several(several_units) {}

int upgrade_progress_t::add_unit(const QByteArray& unit) {
    const QMutexLocker lock(&mutex);
    rows.append({several ? unit + ": " : QByteArray(), {}, 0, -1});
    return rows.size() - 1;
}

upgrade_progress_t::style_t upgrade_progress_t::style_for_output(bool json) {
    if (json) {
        return style_t::quiet;
    }
#ifdef _WIN32
    const bool terminal = _isatty(_fileno(stderr)) != 0;
#else
    const bool terminal = isatty(fileno(stderr)) != 0;
#endif
    return terminal ? style_t::bar : style_t::lines;
}

void upgrade_progress_t::begin_section(int row, ulong total, uint type) {
    const QMutexLocker lock(&mutex);
    row_t& shown = rows[row];
    shown.section = section_name(type);
    shown.total = total;
    shown.percent = -1;
    show(shown, 0);
}

void upgrade_progress_t::advance(int row, ulong done) {
    const QMutexLocker lock(&mutex);
    show(rows[row], done);
}

QByteArray upgrade_progress_t::text(const row_t& row) const {
    const QByteArray figures = QByteArray::number(row.percent) + "% of " +
                               QByteArray::number(qulonglong(row.total)) + " bytes";
    if (style == style_t::lines) {
        return row.unit + row.section + ' ' + figures;
    }
    const int filled = row.percent * bar_width / 100;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(bar_width - filled, '-');
    return row.unit + row.section.leftJustified(11) + " [" + bar + "] " + figures;
}

// Every bar again, in place of the ones drawn before.
void upgrade_progress_t::redraw() {
    if (rows_drawn > 0) {
        std::fprintf(stderr, "\x1b[%dA", rows_drawn);
    }
    for (const row_t& row : rows) {
        std::fprintf(stderr, "\r\x1b[K%s\n", row.percent < 0 ? "" : text(row).constData());
    }
    rows_drawn = rows.size();
}

void upgrade_progress_t::show(row_t& row, ulong done) {
    const int percent =
        row.total == 0 ? 100 : int(qulonglong(qMin(done, row.total)) * 100 / row.total);
    if (style == style_t::quiet || percent == row.percent ||
        (style == style_t::lines && percent / 10 == row.percent / 10 && row.percent >= 0)) {
        return;
    }
    row.percent = percent;
    if (style == style_t::lines) {
        std::fprintf(stderr, "%s\n", text(row).constData());
    } else {
        redraw();
    }
    std::fflush(stderr);
}
