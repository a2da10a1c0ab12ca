#include "floors.h"

#include "test_database.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

SQLWCHAR* wide(const QString& text) { return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(text.utf16())); }

// A connection of the floor's own, so that nothing of the program's layer is timed.
struct Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    bool ok = false;

    explicit Handles(const QString& connectString) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        ok = SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, wide(connectString), SQL_NTS, nullptr, 0, nullptr,
                                             SQL_DRIVER_NOPROMPT)) &&
             SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt));
        if (!ok) std::fprintf(stderr, "floor: cannot connect\n");
    }
    ~Handles() {
        if (stmt != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

// The engine's own shell on the database (or on another of the same engine: a SQLite file, a
// PostgreSQL database's name), not started yet.
void prepareShell(QProcess& shell, const TestDatabase& database, const QString& target) {
    const QString on = target.isEmpty() ? database.databaseName() : target;
    if (database.isPostgres()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), database.password());
        shell.setProcessEnvironment(env);
        shell.setProgram(QStringLiteral("psql"));
        // Unaligned, rows only: the least formatting psql does.
        shell.setArguments({QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                            QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                            qEnvironmentVariable("R205730_PG_HOST"), QStringLiteral("-p"), qEnvironmentVariable("R205730_PG_PORT"),
                            QStringLiteral("-U"), database.userId(), QStringLiteral("-d"), on});
    } else {
        shell.setProgram(QStringLiteral("sqlite3"));
        shell.setArguments({QStringLiteral("-bail"), on});
    }
}

bool finished(QProcess& shell, int timeoutMs) {
    if (shell.waitForFinished(timeoutMs) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0) return true;
    std::fprintf(stderr, "floor: %s failed: %s\n", qPrintable(shell.program()), shell.readAllStandardError().constData());
    return false;
}

}  // namespace

double engineShellMs(const TestDatabase& database, const QString& sql) {
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    prepareShell(shell, database, QString());
    QStringList arguments = shell.arguments();
    if (database.isPostgres()) arguments << QStringLiteral("-c");
    shell.setArguments(arguments << sql);
    QElapsedTimer t;
    t.start();
    shell.start();
    if (!finished(shell, 120000)) return -1;
    return t.nsecsElapsed() / 1e6;
}

bool runInShell(const TestDatabase& database, const QString& script, const QString& target, QByteArray* output) {
    QProcess shell;
    prepareShell(shell, database, target);
    shell.start();
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    // A million rows of history on a busy machine take a while.
    if (!finished(shell, 900000)) return false;
    if (output) *output = shell.readAllStandardOutput();
    return true;
}

double engineInSessionMs(const TestDatabase& database, const QString& sql, int repeats) {
    // The shell times each statement itself: sqlite3's ".timer" and psql's "\timing" print to the
    // terminal, not to the output that the rows are sent away to.
    QString script = database.isPostgres() ? QStringLiteral("\\timing on\n\\o /dev/null\n")
                                           : QStringLiteral(".timer on\n.output /dev/null\n");
    for (int i = 0; i < repeats; ++i) script += sql + QStringLiteral(";\n");
    QByteArray output;
    if (!runInShell(database, script, QString(), &output)) return -1;
    static const QRegularExpression timed(QStringLiteral("^(?:Time: ([0-9.]+) ms|Run Time: real ([0-9.]+))"),
                                          QRegularExpression::MultilineOption);
    std::vector<double> ms;
    for (auto m = timed.globalMatch(QString::fromUtf8(output)); m.hasNext();) {
        const QRegularExpressionMatch one = m.next();
        ms.push_back(one.capturedView(1).isEmpty() ? one.capturedView(2).toDouble() * 1000 : one.capturedView(1).toDouble());
    }
    if (int(ms.size()) != repeats) {
        std::fprintf(stderr, "floor: the shell timed %d of %d statements\n", int(ms.size()), repeats);
        return -1;
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double connectMs(const QString& connectString) {
    QElapsedTimer t;
    t.start();
    const Handles h(connectString);
    return h.ok ? t.nsecsElapsed() / 1e6 : -1;
}

double boundFetchMs(const QString& connectString, const QString& sql, bool narrow, long& rows, bool warm) {
    constexpr SQLULEN block = 1024;
    Handles h(connectString);
    if (!h.ok) return -1;
    SQLULEN fetched = 0;
    SQLSetStmtAttr(h.stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(block), 0);
    SQLSetStmtAttr(h.stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    QByteArray utf8 = sql.toUtf8();
    auto execute = [&] {
        return narrow ? SQLExecDirect(h.stmt, reinterpret_cast<SQLCHAR*>(utf8.data()), SQL_NTS)
                      : SQLExecDirectW(h.stmt, wide(sql), SQL_NTS);
    };
    if (warm && SQL_SUCCEEDED(execute())) {
        while (SQL_SUCCEEDED(SQLFetch(h.stmt))) {}
        SQLFreeStmt(h.stmt, SQL_CLOSE);
    }
    QElapsedTimer t;
    t.start();
    const SQLRETURN rc = execute();
    if (!SQL_SUCCEEDED(rc)) {
        std::fprintf(stderr, "floor: the bound fetch's statement failed\n");
        return -1;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(h.stmt, &columns);
    struct Column {
        std::vector<char> values;
        std::vector<SQLLEN> indicators;
    };
    std::vector<Column> bound(size_t(std::max<SQLSMALLINT>(columns, 0)));
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
        SQLWCHAR name[128];
        SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeColW(h.stmt, c, name, 128, &nameLength, &type, &size, &scale, &nullable);
        const bool integer = type == SQL_INTEGER || type == SQL_SMALLINT;
        const SQLLEN chars = SQLLEN(std::clamp<SQLULEN>(size, 1, 256));
        const SQLSMALLINT cType = integer ? SQL_C_SLONG : narrow ? SQL_C_CHAR : SQL_C_WCHAR;
        const SQLLEN width = integer ? SQLLEN(sizeof(SQLINTEGER)) : narrow ? chars * 4 + 1 : (chars * 2 + 1) * 2;
        Column& col = bound[c - 1];
        col.values.resize(size_t(width) * block);
        col.indicators.resize(block);
        SQLBindCol(h.stmt, c, cType, col.values.data(), width, col.indicators.data());
    }
    rows = 0;
    long long bytes = 0;
    while (SQL_SUCCEEDED(SQLFetch(h.stmt))) {
        rows += long(fetched);
        for (const Column& col : bound)
            for (SQLULEN r = 0; r < fetched; ++r) bytes += std::max<SQLLEN>(col.indicators[r], 0);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    if (bytes == 0 && rows > 0) std::fprintf(stderr, "floor: the bound fetch read no bytes\n");
    return ms;
}

double perCellFetchMs(const QString& connectString, const QString& sql, long& rows) {
    Handles h(connectString);
    if (!h.ok) return -1;
    QElapsedTimer t;
    t.start();
    std::vector<QString> cells;
    if (!SQL_SUCCEEDED(SQLExecDirectW(h.stmt, wide(sql), SQL_NTS))) {
        std::fprintf(stderr, "floor: the per-cell fetch's statement failed\n");
        return -1;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(h.stmt, &columns);
    SQLWCHAR buffer[512];
    rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(h.stmt))) {
        ++rows;
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN indicator = 0;
            SQLGetData(h.stmt, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            cells.emplace_back(indicator == SQL_NULL_DATA ? QString()
                                                          : QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer)));
        }
    }
    return t.nsecsElapsed() / 1e6;
}
