#include "sim/sim_faults.h"

namespace {

// Keeps the line's length and its line feed, so only the content is wrong.
QByteArray garbled(const QByteArray& line) {
    return QByteArray(qMax(1, line.size() - 1), '\xA5') + '\n';
}

QByteArray overlong(const QByteArray& line) {
    QByteArray text = line.left(line.size() - 1);
    text.append(QByteArray(qMax(0, sim_overlong_size - 1 - text.size()), '#'));
    return text + '\n';
}

}  // namespace

answer_t sim_shape_answer(const QByteArray& line, const sim_faults_t& faults) {
    if (faults.silent || line.isEmpty()) {
        return {};
    }
    QByteArray bytes = line;
    if (faults.garbage) {
        bytes = garbled(bytes);
    }
    if (faults.overlong) {
        bytes = overlong(bytes);
    }
    if (faults.split_gap_ms <= 0 || bytes.size() < 2) {
        return {{faults.delay_ms, bytes}};
    }
    const int half = bytes.size() / 2;
    return {{faults.delay_ms, bytes.left(half)}, {faults.split_gap_ms, bytes.mid(half)}};
}
