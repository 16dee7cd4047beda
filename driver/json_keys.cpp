#include "driver/json_keys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QVector>

namespace {

struct level_t {
    bool object;
    QString place;
    QSet<QString> keys;
    int index = 0;
    bool expects_key = true;
};

// The string literal from text[start], its escapes read by the JSON parser.
QString string_at(const QByteArray& text, int start, int& end) {
    end = start + 1;
    while (end < text.size() && text[end] != '"') {
        end += text[end] == '\\' ? 2 : 1;
    }
    const QByteArray literal = text.mid(start, end - start + 1);
    return QJsonDocument::fromJson('[' + literal + ']').array().at(0).toString();
}

}  // namespace

QString json_place(const QString& parent, const QString& key) {
    return parent.isEmpty() ? key : parent + QLatin1Char('.') + key;
}

QString json_place(const QString& parent, int index) {
    return QStringLiteral("%1[%2]").arg(parent).arg(index);
}

QString repeated_json_key(const QByteArray& text) {
    QVector<level_t> levels;
    // The place of the value an object's key has just named.
    QString named;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            int end = i;
            const QString string = string_at(text, i, end);
            if (!levels.isEmpty() && levels.last().object && levels.last().expects_key) {
                level_t& level = levels.last();
                named = json_place(level.place, string);
                if (level.keys.contains(string)) {
                    return named;
                }
                level.keys.insert(string);
                level.expects_key = false;
            }
            i = end;
        } else if (c == '{' || c == '[') {
            QString place;
            if (!levels.isEmpty()) {
                place = levels.last().object ? named
                                             : json_place(levels.last().place, levels.last().index);
            }
            levels.append({c == '{', place, {}, 0, true});
        } else if ((c == '}' || c == ']') && !levels.isEmpty()) {
            levels.removeLast();
        } else if (c == ',' && !levels.isEmpty()) {
            levels.last().expects_key = true;
            ++levels.last().index;
        }
    }
    return {};
}
