#pragma once

#include <QByteArray>
#include <QVector>

// The part of the VISA resource expression language that searches use:
// literal characters, "?" for any one character, and "*" or "+" for zero or
// more, or one or more, of what precedes them. Matching is case-insensitive
// and covers the whole text.
class visa_expression_t {
public:
    // False when the expression cannot be read (a repeat with nothing before it).
    bool parse(const QByteArray& expression);
    bool matches(const QByteArray& text) const;

private:
    struct atom_t {
        char literal = 0;  // 0: any character
        int min = 1;
        bool unbounded = false;
    };

    bool matches_from(int atom, const QByteArray& text, int at) const;

    QVector<atom_t> atoms;
};
