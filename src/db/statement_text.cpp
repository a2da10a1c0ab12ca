#include "odbc.h"

namespace db {

namespace {

bool startsWithAsciiCaseless(const QString& text, qsizetype at, const QString& word) {
    if (at + word.size() > text.size()) return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar a = text[at + i], b = word[i];
        if (a != b && !(a.unicode() < 128 && b.unicode() < 128 && a.toLower() == b.toLower())) return false;
    }
    return true;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

}  // namespace

QString withPlainSetTargets(const QString& text) {
    // UPDATE <table> SET ...
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < text.size() && text[i].isSpace()) ++i;
    };
    skipSpaces();
    if (!startsWithAsciiCaseless(text, i, QStringLiteral("UPDATE"))) return text;
    i += 6;
    skipSpaces();
    const qsizetype tableStart = i;
    while (i < text.size() && !text[i].isSpace()) ++i;
    const QString table = text.mid(tableStart, i - tableStart);
    skipSpaces();
    if (table.isEmpty() || !startsWithAsciiCaseless(text, i, QStringLiteral("SET"))) return text;
    i += 3;
    const QString qualifier = table + QLatin1Char('.');

    // Neither engine takes "SET table.column = ...": drop the table name from each target,
    // outside quoted text and before WHERE.
    QString out = text.left(i);
    bool atTarget = true;
    bool inQuote = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuote) {
            if (c == QLatin1Char('\'')) inQuote = false;  // a doubled quote reopens at once
        } else if (c == QLatin1Char('\'')) {
            inQuote = true;
            atTarget = false;
        } else if (c == QLatin1Char(',')) {
            atTarget = true;
        } else if (!c.isSpace()) {
            if (startsWithAsciiCaseless(text, i, QStringLiteral("WHERE")) && (i == 0 || !isWordChar(text[i - 1])) &&
                (i + 5 >= text.size() || !isWordChar(text[i + 5]))) {
                out += text.mid(i);
                return out;
            }
            if (atTarget && startsWithAsciiCaseless(text, i, qualifier)) i += qualifier.size();
            atTarget = false;
            if (i >= text.size()) break;
            out += text[i];
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace db
