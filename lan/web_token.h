#pragma once

#include <QByteArray>
#include <QString>

// The token a write must bear, from a file only its owner may read; false
// with the reason when the file is not fit to hold it.
bool load_web_token(const QString& path, QByteArray& token, QString& error);

// True when the Authorization value is "Bearer <expected>"; the time taken
// does not depend on where the token differs.
bool web_token_matches(const QByteArray& expected, const QByteArray& authorization);
