#include "db/db.h"
#include "odbc.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace db {

namespace {

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The table of a single-table SELECT ("SELECT ... FROM table [WHERE ...]"), or empty.
QString tableOf(const QString& text) {
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+([^\\s,;()\"]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression clauseEnd(QStringLiteral("\\b(WHERE|ORDER|GROUP|HAVING|LIMIT)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression join(QStringLiteral("\\bJOIN\\b"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(text);
    if (!m.hasMatch()) return QString();
    QString rest = text.mid(m.capturedEnd());
    const QRegularExpressionMatch end = clauseEnd.match(rest);
    if (end.hasMatch()) rest.truncate(end.capturedStart());
    if (rest.contains(QLatin1Char(',')) || rest.contains(join)) return QString();
    return m.captured(1);
}

}  // namespace

struct ResultSet::Impl {
    enum class Mode { Browsing, Adding, Editing };

    std::unique_ptr<Statement> statement;
    QString text;
    QStringList names;
    QList<Kind> kinds;
    QHash<QString, int> byName;  // ASCII-folded name -> position
    QList<QVariant> row;
    bool hasRow = false;
    bool closed = false;
    Mode mode = Mode::Browsing;
    QList<QVariant> pending;
    QList<bool> changed;

    Error failure(const QString& message) const { return Error(QString(), 0, message, text); }

    void requireOpen() const {
        if (closed || !statement || !statement->alive()) throw failure(QStringLiteral("the result set is closed"));
    }

    int column(const QString& name) const {
        const auto it = byName.constFind(foldAscii(name));
        if (it == byName.constEnd())
            throw Error(QStringLiteral("42S22"), 0, QStringLiteral("no column %1 in the result set").arg(name), text);
        return it.value();
    }

    void describe() {
        for (const ColumnDescription& c : describeColumns(statement->handle(), text)) {
            names.append(c.name);
            kinds.append(kindOf(c.sqlType, c.scale));
            // The first of two equal names wins, as with a lookup by name in the classic data objects.
            if (!byName.contains(foldAscii(c.name))) byName.insert(foldAscii(c.name), names.size() - 1);
        }
    }

    QVariant readText(SQLUSMALLINT number, bool binary) {
        SQLHSTMT h = statement->handle();
        constexpr SQLLEN bufferBytes = 4096;
        char buffer[bufferBytes];
        QByteArray bytes;
        const SQLSMALLINT cType = binary ? SQL_C_BINARY : SQL_C_WCHAR;
        const SQLLEN terminator = binary ? 0 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(h, number, cType, buffer, bufferBytes, &indicator);
            if (rc == SQL_NO_DATA) break;
            checkRead(rc, number);
            if (indicator == SQL_NULL_DATA) return QVariant();
            const bool truncated = rc == SQL_SUCCESS_WITH_INFO &&
                                   (indicator == SQL_NO_TOTAL || indicator > bufferBytes - terminator);
            bytes.append(buffer, truncated ? bufferBytes - terminator : indicator);
            if (!truncated) break;
        }
        if (binary) return bytes;
        return fromWide(reinterpret_cast<const SQLWCHAR*>(bytes.constData()), bytes.size() / sizeof(SQLWCHAR));
    }

    // SQLite keeps what another program stored in a number column: a value that is no whole
    // number is handed over as the text it is, never as the number a conversion would make of it.
    QVariant wholeOrText(SQLUSMALLINT number) {
        const QVariant text = readText(number, false);
        if (text.isNull()) return text;
        static const QRegularExpression whole(QStringLiteral("^-?[0-9]{1,18}$"));
        const QString s = text.toString();
        if (!whole.match(s).hasMatch()) return s;
        const qlonglong value = s.toLongLong();
        if (kinds[number - 1] == Kind::Integer && value == static_cast<int>(value)) return QVariant(static_cast<int>(value));
        return QVariant(value);
    }

    // The failure's text is made only for a failure: a read runs for every cell.
    void checkRead(SQLRETURN rc, SQLUSMALLINT number) {
        if (rc != SQL_SUCCESS)
            check(rc, SQL_HANDLE_STMT, statement->handle(), QStringLiteral("cannot read column %1").arg(names[number - 1]), text);
    }

    QVariant read(SQLUSMALLINT number) {
        SQLHSTMT h = statement->handle();
        SQLLEN indicator = 0;
        SQLRETURN rc;
        const Kind kind = kinds[number - 1];
        if ((kind == Kind::Integer || kind == Kind::BigInteger) && statement->connection().engine() == Engine::SQLite)
            return wholeOrText(number);
        switch (kind) {
        case Kind::Integer: {
            SQLINTEGER value = 0;
            rc = SQLGetData(h, number, SQL_C_SLONG, &value, 0, &indicator);
            checkRead(rc, number);
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(static_cast<int>(value));
        }
        case Kind::BigInteger: {
            SQLBIGINT value = 0;
            rc = SQLGetData(h, number, SQL_C_SBIGINT, &value, 0, &indicator);
            checkRead(rc, number);
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(static_cast<qlonglong>(value));
        }
        case Kind::Real: {
            double value = 0;
            rc = SQLGetData(h, number, SQL_C_DOUBLE, &value, 0, &indicator);
            checkRead(rc, number);
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(value);
        }
        case Kind::Binary: return readText(number, true);
        case Kind::Text: break;
        }
        return readText(number, false);
    }

    void fetch() {
        SQLHSTMT h = statement->handle();
        const SQLRETURN rc = SQLFetch(h);
        if (rc == SQL_NO_DATA) {
            hasRow = false;
            row.clear();
            // Done reading: let go of the cursor (and of the SQLite read lock) at once.
            SQLFreeStmt(h, SQL_CLOSE);
            return;
        }
        check(rc, SQL_HANDLE_STMT, h, QStringLiteral("cannot fetch"), text);
        QList<QVariant> values;
        values.reserve(names.size());
        for (qsizetype i = 0; i < names.size(); ++i) values.append(read(static_cast<SQLUSMALLINT>(i + 1)));
        row = std::move(values);
        hasRow = true;
    }

    // The value as the column's type holds it; text that is no number cannot go into a number column.
    QVariant coerce(int i, const QVariant& value) const {
        if (value.isNull()) return QVariant();
        const Kind kind = kinds[i];
        if (kind == Kind::Text) return value.toString();
        if (kind == Kind::Binary) return value.toByteArray();
        bool ok = true;
        double number = 0;
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            const qlonglong whole = s.toLongLong(&ok);
            if (ok && kind != Kind::Real) return kind == Kind::Integer ? QVariant(static_cast<int>(whole)) : QVariant(whole);
            number = s.toDouble(&ok);
        } else {
            number = value.toDouble(&ok);
            if (ok && kind != Kind::Real && (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float))
                return kind == Kind::Integer ? QVariant(value.toInt()) : QVariant(value.toLongLong());
        }
        if (!ok || !std::isfinite(number))
            throw Error(QStringLiteral("22018"), 0,
                        QStringLiteral("%1 is not a number for column %2").arg(value.toString(), names[i]), text);
        if (kind == Kind::Real) return number;
        const qlonglong whole = std::llround(number);
        return kind == Kind::Integer ? QVariant(static_cast<int>(whole)) : QVariant(whole);
    }

    QList<SQLSMALLINT> sqlTypesOf(const QList<int>& columns) const {
        QList<SQLSMALLINT> types;
        for (int i : columns) types.append(kinds[i] == Kind::Binary ? SQL_VARBINARY : SQL_WVARCHAR);
        return types;
    }

    void insertRow(const QString& table) {
        QList<int> columns;
        for (qsizetype i = 0; i < changed.size(); ++i)
            if (changed[i]) columns.append(static_cast<int>(i));
        if (columns.isEmpty()) throw failure(QStringLiteral("no column was set for the new row"));
        QStringList list, marks;
        QList<QVariant> values;
        for (int i : columns) {
            list.append(quoteIdentifier(names[i]));
            marks.append(QStringLiteral("?"));
            values.append(pending[i]);
        }
        const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(table, list.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        Statement insert(statement->connection());
        insert.execWithParameters(sql, values, sqlTypesOf(columns));
    }

    void updateRow(const QString& table) {
        QList<int> setColumns, whereColumns;
        QStringList assignments, conditions;
        QList<QVariant> values;
        for (qsizetype i = 0; i < changed.size(); ++i) {
            if (!changed[i]) continue;
            setColumns.append(static_cast<int>(i));
            assignments.append(quoteIdentifier(names[i]) + QStringLiteral(" = ?"));
            values.append(pending[i]);
        }
        if (setColumns.isEmpty()) return;
        // The row as it was read: a row changed meanwhile by anyone else matches nothing.
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (row[i].isNull()) {
                conditions.append(quoteIdentifier(names[i]) + QStringLiteral(" IS NULL"));
            } else {
                conditions.append(quoteIdentifier(names[i]) + QStringLiteral(" = ?"));
                whereColumns.append(static_cast<int>(i));
                values.append(row[i]);
            }
        }
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                .arg(table, assignments.join(QStringLiteral(", ")), conditions.join(QStringLiteral(" AND ")));
        Connection& connection = statement->connection();
        // Outside a transaction of the caller's, a wrong count must not stay written.
        const bool ownTransaction = !connection.inTransaction;
        if (ownTransaction) connection.begin();
        try {
            Statement update(connection);
            const SQLLEN rows = update.execWithParameters(sql, values, sqlTypesOf(setColumns + whereColumns));
            if (rows != 1) throw RowChanged(QString(), 0,
                                            QStringLiteral("the row was changed or deleted by another user since it "
                                                           "was read (%1 rows match its original values); nothing "
                                                           "was written")
                                                .arg(rows),
                                            sql);
        } catch (...) {
            if (ownTransaction) connection.rollback();
            throw;
        }
        if (ownTransaction) connection.commit();
    }
};

ResultSet::ResultSet(std::unique_ptr<Statement> statement, const QString& text) : d(std::make_unique<Impl>()) {
    d->statement = std::move(statement);
    d->text = text;
    if (!d->statement->execDirect(text)) throw d->failure(QStringLiteral("the statement gave no rows to read"));
    d->describe();
    d->fetch();
}

ResultSet::~ResultSet() = default;

bool ResultSet::atEnd() const {
    return reported([&] {
        d->requireOpen();
        return !d->hasRow;
    });
}

QVariant ResultSet::columnValue(const QString& name) const {
    return reported([&] {
        d->requireOpen();
        const int i = d->column(name);
        if (d->mode != Impl::Mode::Browsing) return d->pending[i];
        if (!d->hasRow) throw d->failure(QStringLiteral("no current row (the result set is at its end)"));
        return d->row[i];
    });
}

void ResultSet::setColumnValue(const QString& name, const QVariant& value) {
    reported([&] {
        d->requireOpen();
        const int i = d->column(name);
        if (d->mode == Impl::Mode::Browsing) throw d->failure(QStringLiteral("set %1 without addNew or edit").arg(name));
        d->pending[i] = d->coerce(i, value);
        d->changed[i] = true;
    });
}

void ResultSet::moveNext() {
    reported([&] {
        d->requireOpen();
        if (d->mode != Impl::Mode::Browsing) throw d->failure(QStringLiteral("move with a row not yet written"));
        if (!d->hasRow) throw d->failure(QStringLiteral("no current row (the result set is at its end)"));
        d->fetch();
    });
}

void ResultSet::addNew() {
    reported([&] {
        d->requireOpen();
        d->mode = Impl::Mode::Adding;
        d->pending = QList<QVariant>(d->names.size());
        d->changed = QList<bool>(d->names.size(), false);
    });
}

void ResultSet::edit() {
    reported([&] {
        d->requireOpen();
        if (!d->hasRow) throw d->failure(QStringLiteral("no current row to edit"));
        d->mode = Impl::Mode::Editing;
        d->pending = d->row;
        d->changed = QList<bool>(d->names.size(), false);
    });
}

void ResultSet::update() {
    reported([&] {
        d->requireOpen();
        if (d->mode == Impl::Mode::Browsing) throw d->failure(QStringLiteral("update without addNew or edit"));
        const QString table = tableOf(d->text);
        if (table.isEmpty())
            throw d->failure(QStringLiteral("rows of this statement cannot be written: not one table"));
        if (d->mode == Impl::Mode::Adding)
            d->insertRow(table);
        else
            d->updateRow(table);
        d->row = d->pending;
        d->hasRow = true;
        d->mode = Impl::Mode::Browsing;
    });
}

void ResultSet::closeResultSet() {
    if (d->closed) return;
    d->closed = true;
    d->statement.reset();
}

std::unique_ptr<ResultSet> openResultSet(const QString& sql, int cursorType, int concurrency) {
    workarea.sqlText = sql;
    return runStatement(Replay::Read, [&](Connection& connection) {
        auto statement = std::make_unique<Statement>(connection);
        statement->setAttribute(SQL_ATTR_CURSOR_TYPE, static_cast<SQLULEN>(cursorType));
        statement->setAttribute(SQL_ATTR_CONCURRENCY, static_cast<SQLULEN>(concurrency));
        std::unique_ptr<ResultSet> opened(new ResultSet(std::move(statement), sql));
        recordAtEnd(opened->atEnd());
        return opened;
    });
}

}  // namespace db

std::unique_ptr<db::ResultSet> openUpdatable(const QString& sql) {
    return db::openResultSet(sql, SQL_CURSOR_DYNAMIC, SQL_CONCUR_ROWVER);
}

std::unique_ptr<db::ResultSet> openReadOnly(const QString& sql) {
    return db::openResultSet(sql, SQL_CURSOR_KEYSET_DRIVEN, SQL_CONCUR_READ_ONLY);
}

void executeSql(const QString& sql) {
    workarea.sqlText = sql;
    // An action statement is never run twice: the engine may have done it before the loss was seen.
    db::runStatement(db::Replay::Never, [&](db::Connection& connection) {
        db::Statement statement(connection);
        return statement.execDirect(db::withPlainSetTargets(sql));
    });
}

QString quoteSql(const QString& text) {
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}
