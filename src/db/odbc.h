// RAII over the ODBC 3 wide-character API; private to the database layer (and its tests).
#pragma once

#include "db/db.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <QList>
#include <QString>
#include <QVariant>

#include <exception>
#include <functional>
#include <memory>

namespace db {

// Driver failures that real drivers give too rarely to test by other means. A test installs a
// hook that answers true where the layer must see the driver fail; the program installs none.
enum class FaultPoint { StatementAttribute, Commit, Rollback, AutoCommitOn };
void setFaultHook(std::function<bool(FaultPoint)> hook);
bool faultAt(FaultPoint point);

// A roll-back the driver refused: the connection was laid aside without committing, and the next
// action opens a new one.
class ConnectionDropped : public Error {
public:
    using Error::Error;
};

// The engines the layer tells apart where their failures differ.
enum class Engine { SQLite, PostgreSQL, Other };
// The cause of a failure with this SQLSTATE and native code on that engine.
Cause causeOf(const QString& sqlState, int nativeCode, Engine engine);

inline SQLWCHAR* wide(const QString& text) {
    return static_cast<SQLWCHAR*>(const_cast<void*>(static_cast<const void*>(text.utf16())));
}
inline QString fromWide(const SQLWCHAR* text, qsizetype length = -1) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}
// Text from a buffer the driver terminated; the length it reports is not trusted, since the
// driver manager reports the byte length of an ANSI driver's text.
inline QString fromTerminated(const SQLWCHAR* buffer, qsizetype capacity) {
    qsizetype n = 0;
    while (n < capacity && buffer[n] != 0) ++n;
    return fromWide(buffer, n);
}

// A name with its ASCII letters in lower case: column names match without regard to ASCII case.
QString foldAscii(QString name);

// How a column's values are read: the C type follows the column's SQL type.
enum class Kind { Integer, BigInteger, Real, Text, Binary };
Kind kindOf(SQLSMALLINT sqlType, SQLSMALLINT scale);

struct ColumnDescription {
    QString name;
    SQLSMALLINT sqlType = 0;  // the verbose type: SQL_DATETIME for every date and time
    SQLULEN size = 0;
    SQLSMALLINT scale = 0;
};
// The columns of an executed statement; a statement without columns is a failure.
QList<ColumnDescription> describeColumns(SQLHSTMT statement, const QString& text);

// The diagnostics of a handle as an exception; the first record gives SQLSTATE and native code.
Error diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const QString& context, const QString& statement = QString());
// Throws the handle's diagnostics unless rc is a success (with or without information).
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString& context,
           const QString& statement = QString());
// One line of technical detail for the administrator.
void logFailure(const Error& error);

class Connection;

// The container of the connection: one per process.
class Environment {
public:
    Environment(const QString& name, const QString& userId, const QString& password);
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    SQLHENV handle() const { return env_; }

    QString name;
    QString userId;
    QString password;
    int loginTimeout = 120;

private:
    SQLHENV env_ = SQL_NULL_HENV;
};

// One statement handle of a connection. The connection frees it when it closes first.
class Statement {
public:
    explicit Statement(Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const;
    Connection& connection() const;
    bool alive() const { return stmt_ != SQL_NULL_HSTMT; }
    // Sets a statement attribute; a driver's 01S02 substitution is accepted.
    void setAttribute(SQLINTEGER attribute, SQLULEN value);
    // Runs the text; true when it ran, false for SQL_NO_DATA (an action that matched no row).
    bool execDirect(const QString& text);
    // Prepares, binds the values in order as parameters and executes; returns the rows affected.
    SQLLEN execWithParameters(const QString& text, const QList<QVariant>& values, const QList<SQLSMALLINT>& sqlTypes);
    void release();

private:
    Connection* connection_;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

class Connection {
public:
    explicit Connection(Environment& environment);
    // Disconnects; a connection the driver will not let go of is left as it is, never committed.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Read-write, no prompt; the login may take loginTimeout seconds (the environment's by default).
    void open(const QString& connectString, int loginTimeout = -1);
    // Rolls back an open transaction, disconnects and frees every statement; never throws. False
    // when the driver would not disconnect (the handle then stays as it is, never committed).
    bool close();
    SQLHDBC handle() const { return dbc_; }
    bool isOpen() const { return connected_; }
    Engine engine() const { return engine_; }
    // Whether the driver has found the connection gone (asked after a failure).
    bool isDead() const;
    // The file of a SQLite database, as the driver names it; empty for other engines.
    QString databaseFile() const { return databaseFile_; }

    // Transactions: auto-commit off, then commit or roll back and auto-commit on again.
    void begin();
    // A failed commit leaves the transaction open for the caller's roll-back.
    void commit();
    // A roll-back the driver refuses leaves the transaction's fate unknown. Switching auto-commit
    // on would commit it, so the connection is given up instead: no statement runs on it again,
    // and closing it only rolls back and disconnects.
    void rollback();
    bool givenUp() const { return givenUp_; }
    bool inTransaction = false;
    int queryTimeout = 300;
    QString dbmsName;
    QString driverName;  // the driver's file, e.g. "psqlodbcw.so"

    // Statements alive on the connection.
    qsizetype statementCount() const { return statements_.size(); }

private:
    friend class Statement;
    void setAutoCommit(bool on);
    void endTransaction(SQLSMALLINT completion);
    // Back to auto-commit after a transaction ended. When the driver refuses, statements would
    // open transactions of their own that nobody ends: it is tried again before the next one.
    void restoreAutoCommit();
    // Whether the engine starts a transaction now, i.e. has none open (SQLite).
    bool engineTakesBegin();

    Environment& environment_;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    bool givenUp_ = false;
    bool autoCommitOff_ = false;
    Engine engine_ = Engine::Other;
    QString databaseFile_;
    QList<Statement*> statements_;
};

// True for a driver that takes and gives narrow text (SQLite): UTF-8 as it is.
bool takesUtf8Text(const Connection& connection);

// While it lives, psqlODBC reads a statement's result through a cursor, `rows` at a time,
// instead of holding the whole result beside the reader's own copy. Other drivers, and a
// connection inside a transaction, are left as they are. Made before the statement it serves,
// so that it ends after that statement has closed its cursor.
class CursorBlocks {
public:
    CursorBlocks(Connection& connection, SQLINTEGER rows);
    ~CursorBlocks();
    CursorBlocks(const CursorBlocks&) = delete;
    CursorBlocks& operator=(const CursorBlocks&) = delete;

private:
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLINTEGER useCursor_ = 0;
    SQLINTEGER rows_ = 0;
};

// The statement text as the engines take it: "UPDATE t SET t.c = ..." loses the qualifier of its targets.
QString withPlainSetTargets(const QString& text);

// The connection of the work area, ready for an action: opened again where it was lost, or where
// its SQLite file was replaced. Throws when there is none.
Connection& currentConnection();

// DSN, UID and PWD as openDatabase connects with them.
QString connectStringFor(const QString& dataSource, const QString& userId, const QString& password);

// What the thread of openAhead got. The connection and the environment are null after a failure.
struct OpenedAhead {
    QString connectString;
    std::unique_ptr<Environment> environment;
    std::unique_ptr<Connection> connection;
    std::exception_ptr failure;
    std::function<void()> deliverRead;
};
// Waits for the thread of openAhead and hands over what it got, once; null when none was started.
std::unique_ptr<OpenedAhead> takeOpenedAhead();

// Whether the result opened last has no row, in the work area's "9"/"0" where the design keeps it.
inline void recordAtEnd(bool atEnd) { workarea.resultAtEnd = atEnd ? QStringLiteral("9") : QStringLiteral("0"); }

// Classifies a failure of the work area's connection and writes it to the log; a lost connection
// is opened again by the next action.
void noteFailure(Error& error);

// Runs one operation of the layer on the work area's connection; a failure is noted before it goes
// to the caller.
template <class Operation>
decltype(auto) reported(Operation&& operation) {
    try {
        return operation();
    } catch (Error& e) {
        noteFailure(e);
        throw;
    }
}

// How an operation may be run again on a new connection when the first try finds the old one lost.
enum class Replay {
    Never,  // an action statement: the engine may have done it already
    Read,   // a read: outside a transaction, or as a transaction's first statement, it runs once more
};
bool mayReplay(Replay replay);
void statementRan();
// Opens the connection again for a replay; a transaction that had run nothing yet begins again.
void reopenForReplay();

// Runs a statement operation on the work area's connection (passed to it), under the busy pointer,
// with the reconnect policy of `replay`: a read that finds the connection lost runs once more on a
// new connection. A transaction the loss interrupted is never replayed past its first statement.
template <class Operation>
auto runStatement(Replay replay, Operation&& operation) {
    const platform::BusyPointer busy;
    Connection& connection = reported([]() -> Connection& { return currentConnection(); });
    const bool replayable = mayReplay(replay);
    try {
        auto result = operation(connection);
        statementRan();
        return result;
    } catch (Error& e) {
        statementRan();
        noteFailure(e);
        if (!replayable || e.cause != Cause::Lost) throw;
    }
    platform::logDetail(QStringLiteral("database: the connection was lost; the read runs once more on a new one"));
    try {
        reopenForReplay();
        auto result = operation(currentConnection());
        statementRan();
        return result;
    } catch (Error& e) {
        statementRan();
        noteFailure(e);
        throw;
    }
}

}  // namespace db
