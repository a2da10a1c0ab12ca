#include "settings/settings.h"

#include "platform/cp932.h"
#include "platform/platform.h"
#include "ini_file.h"

#include <QRegularExpression>
#include <cfenv>
#include <cmath>

namespace {

const QString readErrorMessage = QStringLiteral("INIﾌｧｲﾙ読込エラー");
const QString iniFileName = QStringLiteral("EDI.ini");

// A failed read ends the program; values stored before the failure stay.
[[noreturn]] void failRead(const QString& detail) { platform::fatal(readErrorMessage, detail); }

QString settingsFileIn(const QString& folder) { return folder + QLatin1Char('/') + iniFileName; }

QString settingsFilePath() {
    const QString programFolder = platform::toolkit().programFolder();
    const auto folder = settingsFolderFor(programFolder);
    if (!folder) failRead(QStringLiteral("no settings folder two levels above ") + programFolder);
    return settingsFileIn(*folder);
}

QString readKeyFrom(const QString& file, const QString& section, const QString& key, int bufferSize) {
    return cutAtNul(readProfileString(section, key, bufferSize, file));
}

QString readKey(const QString& section, const QString& key, int bufferSize) {
    return readKeyFrom(settingsFilePath(), section, key, bufferSize);
}

QString environmentKey(const QString& file, const char* key) {
    return readKeyFrom(file, QStringLiteral("動作環境"), QString::fromLatin1(key), 64);
}

double numberKey(const QString& section, const QString& key, int bufferSize) {
    const QString value = readKey(section, key, bufferSize);
    const auto number = toNumber(value);
    if (!number) failRead(QStringLiteral("%1/%2 is not a number: \"%3\"").arg(section, key, value));
    return *number;
}

std::optional<qint64> parseRadix(const QString& digits, int radix, int maxDigits) {
    if (digits.isEmpty() || digits.size() > maxDigits) return std::nullopt;
    bool ok = false;
    const qulonglong v = digits.toULongLong(&ok, radix);
    if (!ok || v > 0xFFFFFFFFull) return std::nullopt;
    // Classic literals are 32-bit: &H80000005 reads as a negative number.
    return static_cast<qint64>(static_cast<qint32>(static_cast<quint32>(v)));
}

}  // namespace

QString cutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul <= 0) return QString();
    return text.left(nul);
}

std::optional<QString> settingsFolderFor(const QString& programFolder) {
    const qsizetype last = programFolder.lastIndexOf(QLatin1Char('/'));
    if (last <= 0) return std::nullopt;
    const qsizetype secondToLast = programFolder.lastIndexOf(QLatin1Char('/'), last - 1);
    if (secondToLast < 0) return std::nullopt;
    return programFolder.left(secondToLast);
}

QString readProfileString(const QString& section, const QString& key, int bufferSize, const QString& filePath) {
    const auto value = IniFile::load(filePath)->value(section, key).value_or(QString());
    const QString cut = platform::cutToCp932Bytes(value, bufferSize - 1);
    const int used = platform::cp932Length(cut) + 1;
    return cut + QChar(0) + QString(std::max(0, bufferSize - used), QLatin1Char(' '));
}

std::optional<QString> readProfileValue(const QString& section, const QString& key, const QString& filePath) {
    return IniFile::load(filePath)->value(section, key);
}

std::optional<double> toNumber(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    QString t = text;
    t.remove(blanks);
    if (t.size() >= 2 && t.at(0) == QLatin1Char('&')) {
        const QChar kind = t.at(1).toUpper();
        if (kind == QLatin1Char('H')) return parseRadix(t.mid(2), 16, 8);
        if (kind == QLatin1Char('O')) return parseRadix(t.mid(2), 8, 11);
        return std::nullopt;
    }
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    if (!decimal.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<Int16> toInt16(const QString& text) {
    const auto number = toNumber(text);
    if (!number) return std::nullopt;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);  // halves go to the even neighbour
    const double rounded = std::nearbyint(*number);
    std::fesetround(oldMode);
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<Int16>(rounded);
}

void readEnvironment() {
    // Each key finds the file afresh, as the classic reader does (its parse is kept while unchanged).
    workarea.machineSetting = environmentKey(settingsFilePath(), "MACHINENAME");
    workarea.dbUserId = environmentKey(settingsFilePath(), "USERID");
    workarea.dbPassword = environmentKey(settingsFilePath(), "PASSWD");
    workarea.dataSource = environmentKey(settingsFilePath(), "DBSTRING");
}

std::optional<DatabaseLogin> peekDatabaseLogin(const QString& programFolder) {
    const auto folder = settingsFolderFor(programFolder);
    if (!folder) return std::nullopt;
    const QString file = settingsFileIn(*folder);
    DatabaseLogin login;
    login.userId = environmentKey(file, "USERID");
    login.password = environmentKey(file, "PASSWD");
    login.dataSource = environmentKey(file, "DBSTRING");
    return login;
}

void readSettings() {
    constexpr int buffer = 256;
    const QString path = settingsFilePath();
    workarea.settingsFolder = path.left(path.size() - iniFileName.size() - 1);

    const QString s = QStringLiteral("Setting0");
    auto text = [&](const char* key) { return readKey(s, QString::fromLatin1(key), buffer); };
    auto number = [&](const char* key) { return numberKey(s, QString::fromLatin1(key), buffer); };

    WorkArea& w = workarea;
    w.FormBackColor = text("FormBackColor");
    w.LabelBackColor = number("LabelBackColor");
    w.LabelFontBold = text("LabelFontBold");
    w.LabelFontItalic = text("LabelFontItalic");
    w.LabelFontName = text("LabelFontName");
    w.LabelFontSize = text("LabelFontSize");
    w.LabelFontStrikethru = text("LabelFontStrikethru");
    w.LabelFontUnderline = text("LabelFontUnderline");
    w.LabelForeColor = number("LabelForeColor");
    w.TextBackColor = number("TextBackColor");
    w.TextFocusColor = number("TextFocusColor");
    w.TextFontBold = text("TextFontBold");
    w.TextFontItalic = text("TextFontItalic");
    w.TextFontName = text("TextFontName");
    w.TextFontSize = text("TextFontSize");
    w.TextFontStrikethru = text("TextFontStrikethru");
    w.TextFontUnderline = text("TextFontUnderline");
    w.TextForeColor = number("TextForeColor");
    w.TitleBackColor = number("TitleBackColor");
    w.TitleFontBold = text("TitleFontBold");
    w.TitleFontItalic = text("TitleFontItalic");
    w.TitleFontName = text("TitleFontName");
    w.TitleFontSize = text("TitleFontSize");
    w.TitleFontStrikethru = text("TitleFontStrikethru");
    w.TitleFontUnderline = text("TitleFontUnderline");
    w.TitleForeColor = number("TitleForeColor");

    const QString minimize = readKey(QStringLiteral("R202490"), QStringLiteral("MINIMAIZE"), buffer);
    const auto minimizeValue = toInt16(minimize);
    if (!minimizeValue) failRead(QStringLiteral("R202490/MINIMAIZE is not a 16-bit integer: \"%1\"").arg(minimize));
    w.minimizeSetting = *minimizeValue;

    const QString p = QStringLiteral("PATH");
    w.commPackagePath = readKey(p, QStringLiteral("TRV500_PATH"), buffer);
    w.ediInFile = readKey(p, QStringLiteral("EDIINFIL"), buffer);
    w.ediOutFile = readKey(p, QStringLiteral("EDIOUTFIL"), buffer);
    w.mgstPath = readKey(p, QStringLiteral("MGSTPATH"), buffer);
    w.oldFile = readKey(p, QStringLiteral("OLD_FILE"), buffer);
    w.debugMode = readKey(QStringLiteral("デバッグ"), QStringLiteral("MODE"), buffer) == QLatin1String("1") ? True : False;
}
