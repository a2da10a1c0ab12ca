#include "odbc.h"

#include "platform/platform.h"

#include <QStringList>

#include <dlfcn.h>
#include <mutex>

namespace db {

namespace {
QString oneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

std::string summary(const QString& sqlState, int nativeCode, const QString& message, const QString& statement) {
    QString s = sqlState.isEmpty() ? oneLine(message)
                                   : QStringLiteral("[%1/%2] %3").arg(sqlState).arg(nativeCode).arg(oneLine(message));
    if (!statement.isEmpty()) s += QStringLiteral(" -- statement: ") + oneLine(statement);
    return s.toStdString();
}
}  // namespace

Error::Error(const QString& sqlState_, int nativeCode_, const QString& message_, const QString& statement_)
    : std::runtime_error(summary(sqlState_, nativeCode_, message_, statement_)),
      sqlState(sqlState_),
      nativeCode(nativeCode_),
      message(message_),
      statement(statement_) {}

QString foldAscii(QString name) {
    for (QChar& c : name)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + ('a' - 'A'));
    return name;
}

Kind kindOf(SQLSMALLINT sqlType, SQLSMALLINT scale) {
    switch (sqlType) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER: return Kind::Integer;
    case SQL_BIGINT: return Kind::BigInteger;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return scale == 0 ? Kind::BigInteger : Kind::Real;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return Kind::Real;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return Kind::Binary;
    default: return Kind::Text;
    }
}

QList<ColumnDescription> describeColumns(SQLHSTMT h, const QString& text) {
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(h, &count), SQL_HANDLE_STMT, h, QStringLiteral("cannot count columns"), text);
    if (count <= 0) throw Error(QString(), 0, QStringLiteral("the statement gave no rows to read"), text);
    QList<ColumnDescription> columns;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        ColumnDescription c;
        // Asked for a column's concise type or nullability, psqlODBC looks its table up in the
        // catalogue: two more queries on a new connection. The verbose type tells numbers,
        // binaries and texts apart as well.
        check(SQLDescribeColW(h, i, name, 256, &nameLength, nullptr, &c.size, &c.scale, nullptr), SQL_HANDLE_STMT,
              h, QStringLiteral("cannot describe column %1").arg(i), text);
        SQLLEN type = 0;
        check(SQLColAttributeW(h, i, SQL_DESC_TYPE, nullptr, 0, nullptr, &type), SQL_HANDLE_STMT, h,
              QStringLiteral("cannot describe column %1").arg(i), text);
        c.sqlType = static_cast<SQLSMALLINT>(type);
        c.name = fromTerminated(name, 256);
        columns.append(c);
    }
    return columns;
}

Error diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const QString& context, const QString& statement) {
    QString firstState;
    SQLINTEGER firstNative = 0;
    QStringList messages;
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[1024];
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text, 1024, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        if (record == 1) {
            firstState = fromTerminated(state, 5);
            firstNative = native;
        }
        messages.append(fromTerminated(text, 1024));
    }
    QString message = context;
    if (!messages.isEmpty()) message += QStringLiteral(": ") + messages.join(QStringLiteral("; "));
    return Error(firstState, firstNative, message, statement);
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString& context, const QString& statement) {
    if (!SQL_SUCCEEDED(rc)) throw diagnostics(handleType, handle, context, statement);
}

void logFailure(const Error& error) { platform::logDetail(QStringLiteral("database: ") + QString::fromUtf8(error.what())); }

namespace {
std::function<bool(FaultPoint)> faultHook;

Error injected(const QString& what) { return Error(QStringLiteral("HY000"), 0, what + QStringLiteral(" (injected fault)")); }
}  // namespace

void setFaultHook(std::function<bool(FaultPoint)> hook) { faultHook = std::move(hook); }

bool faultAt(FaultPoint point) { return faultHook && faultHook(point); }

// ---- Environment

namespace {

// SQLite locks a connection on every call unless told otherwise before it starts: reading 100,000
// items takes more than a million such locks. The program uses its connection from one thread at a
// time (the thread that opens it ahead hands it over when done), so it tells SQLite to leave them
// out. The library is the one the SQLite driver loads, and stays loaded so that it keeps the
// setting; where SQLite is missing, or has started already, nothing changes.
void sqliteWithoutConnectionLocks() {
    static std::once_flag once;
    std::call_once(once, [] {
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) return;
        using Config = int (*)(int, ...);
        constexpr int multiThread = 2;  // SQLITE_CONFIG_MULTITHREAD
        if (auto config = reinterpret_cast<Config>(dlsym(library, "sqlite3_config"))) config(multiThread);
    });
}

}  // namespace

Environment::Environment(const QString& name_, const QString& userId_, const QString& password_)
    : name(name_), userId(userId_), password(password_) {
    sqliteWithoutConnectionLocks();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
        throw Error(QString(), 0, QStringLiteral("cannot allocate an ODBC environment"));
    const SQLRETURN rc = SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc)) {
        Error e = diagnostics(SQL_HANDLE_ENV, env_, QStringLiteral("cannot request ODBC 3"));
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        throw e;
    }
}

Environment::~Environment() {
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

// ---- Connection

Connection::Connection(Environment& environment) : environment_(environment) {
    check(SQLAllocHandle(SQL_HANDLE_DBC, environment.handle(), &dbc_), SQL_HANDLE_ENV, environment.handle(),
          QStringLiteral("cannot allocate a connection"));
}

Connection::~Connection() {
    // A handle the driver would not disconnect stays allocated: freeing it would fail anyway.
    if (close() && dbc_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

void Connection::open(const QString& connectString, int loginTimeout) {
    const int seconds = loginTimeout >= 0 ? loginTimeout : environment_.loginTimeout;
    check(SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0),
          SQL_HANDLE_DBC, dbc_, QStringLiteral("cannot set the login time-out"));
    check(SQLSetConnectAttrW(dbc_, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_WRITE), 0),
          SQL_HANDLE_DBC, dbc_, QStringLiteral("cannot ask for read-write access"));
    QString text = connectString;
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, wide(text), SQL_NTS, out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    check(rc, SQL_HANDLE_DBC, dbc_, QStringLiteral("cannot connect"));
    connected_ = true;
    SQLWCHAR name[128] = {};
    SQLSMALLINT nameLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DBMS_NAME, name, sizeof name, &nameLength)))
        dbmsName = fromWide(name);
    SQLWCHAR driver[128] = {};
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DRIVER_NAME, driver, sizeof driver, &nameLength)))
        driverName = fromTerminated(driver, 128);
    if (dbmsName.startsWith(QLatin1String("SQLite"), Qt::CaseInsensitive)) engine_ = Engine::SQLite;
    else if (dbmsName.startsWith(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) engine_ = Engine::PostgreSQL;
    if (engine_ == Engine::SQLite) {
        SQLWCHAR file[1024] = {};
        if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DATABASE_NAME, file, sizeof file, &nameLength)))
            databaseFile_ = fromTerminated(file, 1024);
    }
}

bool Connection::close() {
    for (Statement* s : QList<Statement*>(statements_)) s->release();
    statements_.clear();
    if (!connected_) return true;
    // A roll-back never commits, so a connection given up gets one more try before it goes.
    if (inTransaction || givenUp_ || autoCommitOff_) {
        if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK))) {
            platform::logDetail(QString::fromUtf8(diagnostics(SQL_HANDLE_DBC, dbc_, QStringLiteral("roll-back on close")).what()));
            // SQLite ends a transaction by itself on a full disk or an I/O error; its driver, not
            // knowing, then refuses both the roll-back and the disconnect. A BEGIN that the engine
            // takes shows that no transaction is left to lose, and rolling that one back frees it.
            if (engine_ == Engine::SQLite && engineTakesBegin()) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        }
        inTransaction = false;
    }
    // Disconnecting never commits: a driver either undoes the transaction or refuses (25000).
    if (!SQL_SUCCEEDED(SQLDisconnect(dbc_))) {
        platform::logDetail(QString::fromUtf8(diagnostics(SQL_HANDLE_DBC, dbc_, QStringLiteral("disconnect")).what()));
        return false;
    }
    connected_ = false;
    return true;
}

bool Connection::engineTakesBegin() {
    SQLHSTMT probe = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &probe))) return false;
    SQLCHAR begin[] = "BEGIN";
    const bool taken = SQL_SUCCEEDED(SQLExecDirect(probe, begin, SQL_NTS));
    SQLFreeHandle(SQL_HANDLE_STMT, probe);
    return taken;
}

bool Connection::isDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return connected_ && SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

void Connection::setAutoCommit(bool on) {
    if (on && faultAt(FaultPoint::AutoCommitOn)) throw injected(QStringLiteral("cannot turn auto-commit on"));
    check(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_, on ? QStringLiteral("cannot turn auto-commit on") : QStringLiteral("cannot begin a transaction"));
    autoCommitOff_ = !on;
}

void Connection::endTransaction(SQLSMALLINT completion) {
    const bool commit = completion == SQL_COMMIT;
    if (faultAt(commit ? FaultPoint::Commit : FaultPoint::Rollback))
        throw injected(commit ? QStringLiteral("commit failed") : QStringLiteral("roll-back failed"));
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_, completion), SQL_HANDLE_DBC, dbc_,
          commit ? QStringLiteral("commit failed") : QStringLiteral("roll-back failed"));
}

void Connection::restoreAutoCommit() {
    try {
        setAutoCommit(true);
    } catch (const Error& e) {
        logFailure(e);
    }
}

void Connection::begin() {
    if (givenUp_) throw Error(QString(), 0, QStringLiteral("the connection was given up"));
    setAutoCommit(false);
    inTransaction = true;
}

void Connection::commit() {
    endTransaction(SQL_COMMIT);
    // Done: a failure from here on must not make a written change look cancelled.
    inTransaction = false;
    restoreAutoCommit();
}

void Connection::rollback() {
    inTransaction = false;
    try {
        endTransaction(SQL_ROLLBACK);
    } catch (const Error&) {
        // Its fate unknown, the transaction must not meet an auto-commit switched on.
        givenUp_ = true;
        for (Statement* s : QList<Statement*>(statements_)) s->release();
        statements_.clear();
        throw;
    }
    restoreAutoCommit();
}

// ---- Statement

Statement::Statement(Connection& connection) : connection_(&connection) {
    if (!connection.isOpen()) throw Error(QString(), 0, QStringLiteral("no open database connection"));
    if (connection.givenUp()) throw Error(QString(), 0, QStringLiteral("the connection was given up"));
    // Outside a transaction a statement must not open one of its own that nobody ends.
    if (connection.autoCommitOff_ && !connection.inTransaction) connection.setAutoCommit(true);
    check(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt_), SQL_HANDLE_DBC, connection.handle(),
          QStringLiteral("cannot allocate a statement"));
    // Registered only once it is whole: a constructor that throws runs no destructor to unregister.
    try {
        if (faultAt(FaultPoint::StatementAttribute)) throw injected(QStringLiteral("cannot set the query time-out"));
        setAttribute(SQL_ATTR_QUERY_TIMEOUT, static_cast<SQLULEN>(connection.queryTimeout));
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        stmt_ = SQL_NULL_HSTMT;
        throw;
    }
    connection.statements_.append(this);
}

Statement::~Statement() { release(); }

void Statement::release() {
    if (stmt_ != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        stmt_ = SQL_NULL_HSTMT;
    }
    if (connection_) {
        connection_->statements_.removeOne(this);
        connection_ = nullptr;
    }
}

SQLHSTMT Statement::handle() const {
    if (stmt_ == SQL_NULL_HSTMT) throw Error(QString(), 0, QStringLiteral("the statement's connection has been closed"));
    return stmt_;
}

Connection& Statement::connection() const {
    if (!connection_) throw Error(QString(), 0, QStringLiteral("the statement's connection has been closed"));
    return *connection_;
}

void Statement::setAttribute(SQLINTEGER attribute, SQLULEN value) {
    const SQLRETURN rc = SQLSetStmtAttrW(handle(), attribute, reinterpret_cast<SQLPOINTER>(value), 0);
    check(rc, SQL_HANDLE_STMT, stmt_, QStringLiteral("cannot set statement attribute %1").arg(attribute));
}

// unixODBC hands a statement text to an ANSI-only driver (SQLite) through a UCS-2 conversion that
// breaks characters beyond U+FFFF and so the statement; that driver reads UTF-8 as it is.
bool takesUtf8Text(const Connection& connection) {
    return connection.dbmsName.startsWith(QLatin1String("SQLite"), Qt::CaseInsensitive);
}

namespace {
// psqlODBC's own connection attributes: read a query's rows through a cursor, so many at a time.
constexpr SQLINTEGER psqlUseDeclareFetch = 65539;
constexpr SQLINTEGER psqlFetchRows = 65541;

bool getIntegerAttribute(SQLHDBC dbc, SQLINTEGER attribute, SQLINTEGER& value) {
    return SQL_SUCCEEDED(SQLGetConnectAttrW(dbc, attribute, &value, SQL_IS_INTEGER, nullptr));
}
bool setIntegerAttribute(SQLHDBC dbc, SQLINTEGER attribute, SQLINTEGER value) {
    return SQL_SUCCEEDED(SQLSetConnectAttrW(dbc, attribute, reinterpret_cast<SQLPOINTER>(SQLLEN(value)), SQL_IS_INTEGER));
}
}  // namespace

CursorBlocks::CursorBlocks(Connection& connection, SQLINTEGER rows) {
    // Inside a transaction of the program's the driver would leave its cursor to that transaction.
    if (connection.inTransaction || !connection.driverName.startsWith(QLatin1String("psqlodbc"), Qt::CaseInsensitive))
        return;
    const SQLHDBC dbc = connection.handle();
    if (!getIntegerAttribute(dbc, psqlUseDeclareFetch, useCursor_) || !getIntegerAttribute(dbc, psqlFetchRows, rows_))
        return;
    // A driver that does not know the attributes reads the whole result, as before.
    if (!setIntegerAttribute(dbc, psqlFetchRows, rows)) return;
    if (!setIntegerAttribute(dbc, psqlUseDeclareFetch, 1)) {
        setIntegerAttribute(dbc, psqlFetchRows, rows_);
        return;
    }
    dbc_ = dbc;
}

CursorBlocks::~CursorBlocks() {
    if (dbc_ == SQL_NULL_HDBC) return;
    if (!setIntegerAttribute(dbc_, psqlUseDeclareFetch, useCursor_) || !setIntegerAttribute(dbc_, psqlFetchRows, rows_))
        platform::logDetail(QString::fromUtf8(diagnostics(SQL_HANDLE_DBC, dbc_, QStringLiteral("cursor reading off")).what()));
}

bool Statement::execDirect(const QString& text) {
    QString copy = text;
    QByteArray utf8 = text.toUtf8();
    const SQLRETURN rc = takesUtf8Text(connection())
        ? SQLExecDirect(handle(), reinterpret_cast<SQLCHAR*>(utf8.data()), SQL_NTS)
        : SQLExecDirectW(handle(), wide(copy), SQL_NTS);
    if (rc == SQL_NO_DATA) return false;
    check(rc, SQL_HANDLE_STMT, stmt_, QStringLiteral("statement failed"), text);
    return true;
}

SQLLEN Statement::execWithParameters(const QString& text, const QList<QVariant>& values,
                                     const QList<SQLSMALLINT>& sqlTypes) {
    QString copy = text;
    QByteArray utf8 = text.toUtf8();
    const SQLRETURN prepared = takesUtf8Text(connection())
        ? SQLPrepare(handle(), reinterpret_cast<SQLCHAR*>(utf8.data()), SQL_NTS)
        : SQLPrepareW(handle(), wide(copy), SQL_NTS);
    check(prepared, SQL_HANDLE_STMT, stmt_, QStringLiteral("cannot prepare"), text);
    // The buffers must stay put until the statement has run.
    struct Buffer {
        QString text;
        qint64 integer = 0;
        double real = 0;
        SQLLEN indicator = 0;
    };
    std::vector<Buffer> buffers(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        Buffer& b = buffers[i];
        const QVariant& v = values[i];
        const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc;
        if (v.isNull()) {
            b.indicator = SQL_NULL_DATA;
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_WCHAR, sqlTypes.value(i, SQL_WVARCHAR), 1, 0,
                                  nullptr, 0, &b.indicator);
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            b.real = v.toDouble();
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &b.real, 0, nullptr);
        } else if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
            b.text = v.toString();
            b.indicator = static_cast<SQLLEN>(b.text.size() * sizeof(SQLWCHAR));
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                  static_cast<SQLULEN>(qMax<qsizetype>(b.text.size(), 1)), 0, wide(b.text),
                                  b.indicator, &b.indicator);
        } else {
            b.integer = v.toLongLong();
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &b.integer, 0, nullptr);
        }
        check(rc, SQL_HANDLE_STMT, stmt_, QStringLiteral("cannot bind parameter %1").arg(number), text);
    }
    const SQLRETURN rc = SQLExecute(stmt_);
    if (rc == SQL_NO_DATA) return 0;
    check(rc, SQL_HANDLE_STMT, stmt_, QStringLiteral("statement failed"), text);
    SQLLEN rows = 0;
    check(SQLRowCount(stmt_, &rows), SQL_HANDLE_STMT, stmt_, QStringLiteral("cannot count rows"), text);
    return rows;
}

}  // namespace db
