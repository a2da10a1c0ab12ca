// EDI.ini: where it lies, the two readers and their number conversions.
#pragma once

#include "core/workarea.h"

#include <QString>
#include <optional>

// Operating-environment keys, before the connection is opened.
// Shows "INIﾌｧｲﾙ読込エラー" and ends the program on failure.
void readEnvironment();
// The database login of the operating-environment keys, as readEnvironment leaves it in the work
// area; nothing when the program folder has no settings folder. Never ends the program.
struct DatabaseLogin {
    Fixed50 dataSource;
    Fixed50 userId;
    Fixed50 password;
};
std::optional<DatabaseLogin> peekDatabaseLogin(const QString& programFolder);
// Appearance settings and the remaining keys, after the connection is opened.
void readSettings();

// The characters before the first NUL; empty when there is no NUL at all.
QString cutAtNul(const QString& text);

// The folder holding EDI.ini for a program folder: two levels up.
// Empty optional when the path has fewer than two "/" separators.
std::optional<QString> settingsFolderFor(const QString& programFolder);

// One key of one section, as the classic profile reader returns it: the value
// cut to bufferSize - 1 bytes of code page 932, a NUL, then the rest of the
// buffer's blanks. A missing file, section or key gives the empty default.
QString readProfileString(const QString& section, const QString& key, int bufferSize,
                          const QString& filePath);
// The value as the file holds it, uncut; nothing when the file, section or key is missing (the
// classic reader cannot tell a missing key from an empty one; the health check can).
std::optional<QString> readProfileValue(const QString& section, const QString& key, const QString& filePath);

// Decimal with optional sign, decimal part and exponent, surrounded by blanks,
// or &H / &O forms (read as 32-bit two's complement). Anything else fails.
std::optional<double> toNumber(const QString& text);
// The same forms rounded half to even, within -32768..32767.
std::optional<Int16> toInt16(const QString& text);
