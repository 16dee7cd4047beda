#include "sim/visa/visa_expression.h"

namespace {

char folded(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

}  // namespace

bool visa_expression_t::parse(const QByteArray& expression) {
    atoms.clear();
    for (char c : expression) {
        if (c == '*' || c == '+') {
            if (atoms.isEmpty() || atoms.last().unbounded) {
                return false;
            }
            atoms.last().unbounded = true;
            atoms.last().min = c == '+' ? 1 : 0;
            continue;
        }
        atom_t atom;
        atom.literal = c == '?' ? 0 : folded(c);
        atoms.append(atom);
    }
    return true;
}

// Walks the text once, keeping the set of atoms that could come next: state
// i means the first i atoms have matched what was read so far.
bool visa_expression_t::matches(const QByteArray& text) const {
    const int count = atoms.size();
    QVector<bool> now(count + 1, false);
    QVector<bool> next(count + 1, false);
    now[0] = true;
    const auto skip_optional = [&](QVector<bool>& states) {
        for (int i = 0; i < count; ++i) {
            if (states[i] && atoms[i].min == 0) {
                states[i + 1] = true;
            }
        }
    };
    skip_optional(now);
    for (char c : text) {
        const char f = folded(c);
        next.fill(false);
        bool any = false;
        for (int i = 0; i < count; ++i) {
            const atom_t& atom = atoms[i];
            if (atom.literal != 0 && atom.literal != f) {
                continue;
            }
            // Take one more character for atom i, either its first or a repeat.
            if (now[i] || (atom.unbounded && now[i + 1])) {
                next[i + 1] = true;
                any = true;
            }
        }
        if (!any) {
            return false;
        }
        skip_optional(next);
        now.swap(next);
    }
    return now[count];
}
