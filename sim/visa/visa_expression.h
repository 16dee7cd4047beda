#pragma once

#include <QByteArray>
#include <QVector>

// The part of the VISA resource expression language that searches use:
// literal characters, "?" for any one character, and "*" or "+" for zero or
// more, or one or more, of what precedes them. Matching is case-insensitive
// and covers the whole text; it takes time proportional to the text's length
// times the expression's, whatever the expression.
// Longest expression a search takes; the work of a search stays bounded.
constexpr uint visa_longest_expression = 4096;

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

    QVector<atom_t> atoms;
};
