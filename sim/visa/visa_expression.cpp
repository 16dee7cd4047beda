#include "sim/visa/visa_expression.h"

#include <QtGlobal>

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

bool visa_expression_t::matches(const QByteArray& text) const {
    return matches_from(0, text, 0);
}

bool visa_expression_t::matches_from(int index, const QByteArray& text, int at) const {
    if (index == atoms.size()) {
        return at == text.size();
    }
    const atom_t& atom = atoms[index];
    // Longest run first; the texts are short, so backtracking stays cheap.
    int run = 0;
    const int left = text.size() - at;
    const int most = atom.unbounded ? left : qMin(1, left);
    while (run < most && (atom.literal == 0 || folded(text[at + run]) == atom.literal)) {
        ++run;
    }
    for (; run >= atom.min; --run) {
        if (matches_from(index + 1, text, at + run)) {
            return true;
        }
    }
    return false;
}
