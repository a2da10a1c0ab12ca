// A whole result read with bound column arrays: a block of rows per fetch, no call per cell.
#include "db/db.h"
#include "odbc.h"

#include <QStringDecoder>

#include <charconv>
#include <optional>
#include <vector>

namespace db {

namespace {

constexpr SQLULEN blockRows = 256;
// Rows a driver that would otherwise hold the whole result fetches from the server at a time.
constexpr SQLINTEGER cursorRows = 4096;
// A text buffer starts at the column's declared size, but no bigger than this many characters;
// SQLite does not hold a text to its declared size, so a longer one makes the read start over.
constexpr SQLULEN firstTextChars = 256;
constexpr SQLLEN largestValueBytes = SQLLEN(1) << 28;
// Characters of the longest whole number a 64-bit integer holds, its sign included.
constexpr SQLLEN wholeNumberChars = 20;

// A whole number written as a number column gives it: an optional minus, then digits.
std::optional<qint64> wholeNumber(const char* text, SQLLEN length) {
    if (length <= 0) return std::nullopt;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(text, text + length, value);
    if (error != std::errc() || end != text + length || *text == '+') return std::nullopt;
    return value;
}

}  // namespace

struct BulkRead {
    struct Column {
        QString foldedName;
        RowBlock::Type type = RowBlock::Type::Text;
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLLEN width = 0;  // bytes of one value in the buffer, terminator included
        std::vector<char> values;
        std::vector<SQLLEN> indicators;
        // Narrow and binary texts of the block, decoded into BulkRead::decoded.
        std::vector<qsizetype> starts;
        std::vector<qsizetype> lengths;

        // Whole numbers read as text: SQLite keeps whatever another program stored in a number
        // column ('12a', 3.5), which a number buffer would silently turn into another number.
        bool numberAsText = false;

        bool narrowText() const { return cType == SQL_C_CHAR || cType == SQL_C_BINARY; }
        bool textBuffer() const { return type == RowBlock::Type::Text || numberAsText; }
        SQLLEN terminatorBytes() const {
            return cType == SQL_C_CHAR ? 1 : cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : 0;
        }
        const char* value(int row) const { return values.data() + size_t(row) * size_t(width); }
    };

    QString text;
    std::vector<Column> columns;
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> statuses = std::vector<SQLUSMALLINT>(blockRows);
    std::vector<char16_t> decoded;

    Error failure(const QString& message) const { return Error(QString(), 0, message, text); }

    // Buffers by the columns' types; widths from a previous try are kept where they were bigger.
    void bind(SQLHSTMT h, bool narrow, const std::vector<SQLLEN>& widerWidths) {
        const QList<ColumnDescription> described = describeColumns(h, text);
        columns.assign(described.size(), Column());
        for (qsizetype i = 0; i < described.size(); ++i) {
            const ColumnDescription& d = described[i];
            Column& c = columns[size_t(i)];
            c.foldedName = foldAscii(d.name);
            const SQLLEN chars = SQLLEN(d.size == 0 ? firstTextChars : std::min(d.size, firstTextChars));
            switch (kindOf(d.sqlType, d.scale)) {
            case Kind::Integer:
            case Kind::BigInteger:
                c.type = RowBlock::Type::Integer;
                if (narrow) c.numberAsText = true, c.cType = SQL_C_CHAR, c.width = wholeNumberChars + 1;
                else if (kindOf(d.sqlType, d.scale) == Kind::Integer) c.cType = SQL_C_SLONG, c.width = sizeof(SQLINTEGER);
                else c.cType = SQL_C_SBIGINT, c.width = sizeof(SQLBIGINT);
                break;
            case Kind::Real: c.type = RowBlock::Type::Real, c.cType = SQL_C_DOUBLE, c.width = sizeof(double); break;
            case Kind::Binary: c.cType = SQL_C_BINARY, c.width = chars; break;
            case Kind::Text:
                // UTF-8 takes up to 4 bytes a character, UTF-16 two units.
                c.cType = narrow ? SQL_C_CHAR : SQL_C_WCHAR;
                c.width = narrow ? chars * 4 + 1 : (chars * 2 + 1) * SQLLEN(sizeof(SQLWCHAR));
                break;
            }
            if (size_t(i) < widerWidths.size() && c.textBuffer())
                c.width = std::max(c.width, widerWidths[size_t(i)]);
            c.values.resize(size_t(c.width) * blockRows);
            c.indicators.resize(blockRows);
            if (c.narrowText()) {
                c.starts.resize(blockRows);
                c.lengths.resize(blockRows);
            }
            check(SQLBindCol(h, SQLUSMALLINT(i + 1), c.cType, c.values.data(), c.width, c.indicators.data()),
                  SQL_HANDLE_STMT, h, QStringLiteral("cannot bind column %1").arg(d.name), text);
        }
    }

    // The widths every text of the block needs; empty when all fitted.
    std::vector<SQLLEN> widthsNeeded() const {
        std::vector<SQLLEN> needed;
        for (size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            if (!c.textBuffer()) continue;
            for (SQLULEN r = 0; r < fetched; ++r) {
                const SQLLEN n = c.indicators[r];
                if (n != SQL_NO_TOTAL && n <= c.width - c.terminatorBytes()) continue;
                if (needed.empty()) {
                    needed.resize(columns.size());
                    for (size_t k = 0; k < columns.size(); ++k) needed[k] = columns[k].width;
                }
                const SQLLEN want = n == SQL_NO_TOTAL ? c.width * 2 : n + c.terminatorBytes();
                needed[i] = std::max(needed[i], want);
            }
        }
        for (SQLLEN w : needed)
            if (w > largestValueBytes) throw failure(QStringLiteral("a value of more than %1 bytes").arg(largestValueBytes));
        return needed;
    }

    void decodeNarrowTexts() {
        size_t bytes = 0;
        for (const Column& c : columns)
            if (c.narrowText())
                for (SQLULEN r = 0; r < fetched; ++r) bytes += size_t(std::max<SQLLEN>(c.indicators[r], 0));
        if (bytes == 0) return;
        decoded.resize(bytes);  // UTF-16 never takes more units than UTF-8 takes bytes
        QChar* const begin = reinterpret_cast<QChar*>(decoded.data());
        QChar* out = begin;
        for (Column& c : columns) {
            if (!c.narrowText()) continue;
            for (SQLULEN r = 0; r < fetched; ++r) {
                c.starts[r] = out - begin;
                if (c.indicators[r] > 0) {
                    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                    out = utf8.appendToBuffer(out, QByteArrayView(c.value(int(r)), c.indicators[r]));
                }
                c.lengths[r] = out - begin - c.starts[r];
            }
        }
    }

    // False when a text did not fit: the caller starts over with the widths in `wider`.
    bool run(Connection& connection, const std::function<void(const RowBlock&)>& begin,
             const std::function<void(const RowBlock&)>& rows, std::vector<SQLLEN>& wider, qint64& total) {
        const CursorBlocks blocks(connection, cursorRows);
        Statement statement(connection);
        statement.setAttribute(SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
        statement.setAttribute(SQL_ATTR_CONCURRENCY, SQL_CONCUR_READ_ONLY);
        statement.setAttribute(SQL_ATTR_ROW_ARRAY_SIZE, blockRows);
        statement.setAttribute(SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
        statement.setAttribute(SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(statuses.data()));
        if (!statement.execDirect(text)) throw failure(QStringLiteral("the statement gave no rows to read"));
        const SQLHSTMT h = statement.handle();
        bind(h, takesUtf8Text(statement.connection()), wider);
        fetched = 0;
        begin(RowBlock(*this));
        total = 0;
        for (;;) {
            const SQLRETURN rc = SQLFetch(h);
            if (rc == SQL_NO_DATA) break;
            check(rc, SQL_HANDLE_STMT, h, QStringLiteral("cannot fetch"), text);
            for (SQLULEN r = 0; r < fetched; ++r)
                if (statuses[r] == SQL_ROW_ERROR)
                    throw diagnostics(SQL_HANDLE_STMT, h, QStringLiteral("cannot read row %1").arg(total + qint64(r) + 1), text);
            if (rc == SQL_SUCCESS_WITH_INFO) {
                std::vector<SQLLEN> needed = widthsNeeded();
                if (!needed.empty()) {
                    wider = std::move(needed);
                    return false;
                }
            }
            decodeNarrowTexts();
            rows(RowBlock(*this));
            total += qint64(fetched);
        }
        return true;
    }
};

int RowBlock::rowCount() const { return int(read_.fetched); }
int RowBlock::columnCount() const { return int(read_.columns.size()); }

int RowBlock::columnIndex(const QString& name) const {
    const QString folded = foldAscii(name);
    for (size_t i = 0; i < read_.columns.size(); ++i)
        if (read_.columns[i].foldedName == folded) return int(i);
    return -1;
}

RowBlock::Type RowBlock::type(int column) const { return read_.columns[size_t(column)].type; }

bool RowBlock::isNull(int row, int column) const {
    return read_.columns[size_t(column)].indicators[size_t(row)] == SQL_NULL_DATA;
}

qint64 RowBlock::integer(int row, int column) const {
    const BulkRead::Column& c = read_.columns[size_t(column)];
    if (c.numberAsText) return wholeNumber(c.value(row), c.indicators[size_t(row)]).value_or(0);
    if (c.cType == SQL_C_SLONG) return *reinterpret_cast<const SQLINTEGER*>(c.value(row));
    return *reinterpret_cast<const SQLBIGINT*>(c.value(row));
}

bool RowBlock::isWhole(int row, int column) const {
    const BulkRead::Column& c = read_.columns[size_t(column)];
    return !c.numberAsText || wholeNumber(c.value(row), c.indicators[size_t(row)]).has_value();
}

double RowBlock::real(int row, int column) const {
    return *reinterpret_cast<const double*>(read_.columns[size_t(column)].value(row));
}

QStringView RowBlock::text(int row, int column) const {
    const BulkRead::Column& c = read_.columns[size_t(column)];
    if (c.indicators[size_t(row)] <= 0) return {};
    if (c.narrowText())
        return QStringView(read_.decoded.data() + c.starts[size_t(row)], c.lengths[size_t(row)]);
    return QStringView(reinterpret_cast<const char16_t*>(c.value(row)),
                       qsizetype(c.indicators[size_t(row)] / SQLLEN(sizeof(SQLWCHAR))));
}

qint64 readAllRows(Connection& connection, const QString& sql, const std::function<void(const RowBlock&)>& begin,
                   const std::function<void(const RowBlock&)>& rows) {
    std::vector<SQLLEN> wider;
    qint64 total = 0;
    for (;;) {
        BulkRead read;
        read.text = sql;
        if (read.run(connection, begin, rows, wider, total)) return total;
    }
}

qint64 readAllRows(const QString& sql, const std::function<void(const RowBlock&)>& begin,
                   const std::function<void(const RowBlock&)>& rows) {
    workarea.sqlText = sql;
    return runStatement(Replay::Read, [&](Connection& connection) {
        const qint64 total = readAllRows(connection, sql, begin, rows);
        recordAtEnd(total == 0);
        return total;
    });
}

void noteRowsRead(const QString& sql, qint64 rows) {
    workarea.sqlText = sql;
    recordAtEnd(rows == 0);
}

}  // namespace db
