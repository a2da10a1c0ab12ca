// Text in the workstation code page (932, Shift-JIS with the vendor characters).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Characters that code page 932 cannot hold become "?".
QByteArray toCp932(const QString& text);
// The text in code page 932 only if it holds every character; nothing otherwise.
std::optional<QByteArray> toCp932Whole(const QString& text);
// Invalid bytes become "?"; a lead byte left dangling at the end is dropped.
QString fromCp932(const QByteArray& bytes);
// Number of bytes of the text in code page 932.
int cp932Length(const QString& text);
// The text cut to its first maxBytes bytes in code page 932, converted back;
// a cut inside a double-byte character drops the dangling half.
QString cutToCp932Bytes(const QString& text, int maxBytes);

bool isValidUtf8(const QByteArray& bytes);

// Removes leading and trailing space characters (U+0020 only).
QString trimSpaces(const QString& text);
QStringView trimSpaces(QStringView text);

}  // namespace platform
