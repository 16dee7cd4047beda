#pragma once

#include <QByteArray>
#include <QString>

// Where a value sits in a JSON document: "routes.ant1-to-sa.R1" for object
// keys, "exclusions[0]" for array items.
QString json_place(const QString& parent, const QString& key);
QString json_place(const QString& parent, int index);

// The place of the first key that an object of the document holds twice,
// which a JSON parser keeps silently as one; empty when there is none. It
// reads strings and brackets only, so on text that is no JSON it may find
// nothing, never more than the text holds.
QString repeated_json_key(const QByteArray& text);
