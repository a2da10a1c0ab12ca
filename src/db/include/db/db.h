// Database access: the one ODBC connection, its result sets, action statements and transactions,
// and the classification name lookup. Each statement operation takes its text and leaves it in
// workarea.sqlText, where the design keeps the statement run last.
#pragma once

#include "core/workarea.h"
#include "platform/platform.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>


namespace db {

class Connection;
class Statement;

// What a failure came from, as the layer found it where it arose. Code above the layer asks this,
// never the driver's text.
enum class Cause {
    Lost,      // the connection is gone: the server restarted or ended the session, the line died
    Busy,      // a lock held elsewhere past the wait, a time-out, a deadlock
    Full,      // the store is full
    ReadOnly,  // the store takes no writes
    Damaged,   // the store cannot be read or written: an I/O error, a damaged file
    Data,      // the statement or its values were refused
    Other,
};

// A failure of the driver manager, the driver or this layer. what() is a one-line summary.
class Error : public std::runtime_error, public platform::SurroundingsFailure {
public:
    Error(const QString& sqlState, int nativeCode, const QString& message, const QString& statement = QString());
    QString sqlState;  // empty when the failure was found by this layer
    int nativeCode = 0;
    QString message;
    QString statement;
    Cause cause = Cause::Other;
    // A commit whose answer was lost with the connection: it may or may not have been done.
    bool outcomeUnknown = false;
    bool noted = false;  // classified and logged where it arose

    // The cause lies around the program (connection, locks, store), not in what was asked.
    bool fromSurroundings() const;
    // The cause's sentence for a failure of the surroundings, else empty.
    QString operatorSentence() const override;
};

// The one sentence for the operator about a cause of the surroundings: what happened, what to do.
QString causeSentence(Cause cause);
// The cause in a few words for the administrator's log.
QString causeDescription(Cause cause);
// A commit whose outcome the lost connection hid, and that could not be read back.
QString unknownOutcomeSentence();

// An edited row that no longer holds the values it was read with: another workstation changed or
// deleted it meanwhile. Nothing was written.
class RowChanged : public Error {
public:
    using Error::Error;
};

// The rows of one SELECT with a current-row position. Changes are written with INSERT and
// UPDATE statements built from the row; an edited row is only written while it still holds
// the values it was read with.
class ResultSet {
public:
    ~ResultSet();
    ResultSet(const ResultSet&) = delete;
    ResultSet& operator=(const ResultSet&) = delete;

    // True when there is no current row.
    bool atEnd() const;
    // Null for SQL NULL, a QString for text, a number type for numbers. Names match without
    // regard to ASCII case.
    QVariant columnValue(const QString& name) const;
    // Sets a column of the row being added or edited.
    void setColumnValue(const QString& name, const QVariant& value);
    void moveNext();
    void addNew();
    void edit();
    // Writes the added or edited row; an edited row must match exactly one row by its original values.
    void update();
    void closeResultSet();

private:
    friend std::unique_ptr<ResultSet> openResultSet(const QString&, int, int);
    explicit ResultSet(std::unique_ptr<Statement> statement, const QString& text);
    struct Impl;
    std::unique_ptr<Impl> d;
};

struct BulkRead;

// One block of rows of a whole result, as bound column arrays hand it over. Columns are
// numbered from 0; a text is only valid until the next block.
class RowBlock {
public:
    enum class Type { Integer, Real, Text };
    int rowCount() const;
    int columnCount() const;
    // The position of a column by name (without regard to ASCII case), or -1.
    int columnIndex(const QString& name) const;
    // Integer for whole-number columns, Real for other numbers, Text for the rest.
    Type type(int column) const;
    bool isNull(int row, int column) const;
    // False for a value of an Integer column that is no whole number (a text or a fraction another
    // program stored there): its text() is what is stored.
    bool isWhole(int row, int column) const;
    qint64 integer(int row, int column) const;
    double real(int row, int column) const;
    QStringView text(int row, int column) const;

private:
    friend struct BulkRead;
    explicit RowBlock(const BulkRead& read) : read_(read) {}
    const BulkRead& read_;
};

// Runs the statement read-only and forward-only and hands every row over in blocks: the fast way
// to read a whole table. begin is called before the first block with the columns (no rows), and
// again if a text longer than its buffer makes the read start over: the reader starts afresh.
// Returns the number of rows read (resultAtEnd also says whether there was none).
qint64 readAllRows(const QString& sql, const std::function<void(const RowBlock&)>& begin,
                   const std::function<void(const RowBlock&)>& rows);
// The same on a given connection, leaving the work area and the log alone: for a read off the
// main thread. noteRowsRead then records it when its rows are used.
qint64 readAllRows(Connection& connection, const QString& sql, const std::function<void(const RowBlock&)>& begin,
                   const std::function<void(const RowBlock&)>& rows);
// What a whole read leaves in the work area: its statement, and whether it gave no row.
void noteRowsRead(const QString& sql, qint64 rows);

// A read run on the connection opened ahead, on that thread. It returns what the main thread does
// with its result once openDatabase has taken the connection (nothing, when it is not taken).
using ReadAhead = std::function<std::function<void()>(Connection&)>;

// Opens the connection openDatabase would open for this login on a thread of its own, and runs
// `read` on it there, so that both go on while the toolkit starts. openDatabase waits for the
// thread; it takes the connection (or reports its failure to connect) when the settings give the
// same connect string, and closes it otherwise. The locale must not change meanwhile.
void openAhead(const QString& dataSource, const QString& userId, const QString& password, ReadAhead read);
// Whether the open connection is the one opened ahead.
bool connectedAhead();

}  // namespace db

// Builds connectString and opens dbConnection; ends the program with "接続エラー" on failure.
void openDatabase();
// Closes dbConnection (a transaction still open is rolled back), and a connection opened ahead
// that was not taken; never fails.
void closeDatabase();

namespace db {
// A transaction for the life of a scope: begun with it, made permanent by commit(), rolled back on
// every other way out, before the caller tells the operator anything. A roll-back never commits;
// one that fails lays the connection aside.
class Transaction {
public:
    Transaction();
    ~Transaction() { rollback(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    // Undoes it now; a failure is logged, never thrown.
    void rollback() noexcept;

private:
    bool open_ = false;
};

// Seconds a connection opened again while the program runs may take to log in: a dead line must
// not hold an action for the two minutes start-up allows.
inline constexpr int reconnectLoginTimeout = 10;
// Opens the connection again now (the old one is closed first, never committing), as every action
// does by itself once the connection was found lost. Throws a failure of cause Lost when it cannot.
void reconnect();
// Counts the connections opened: a list read on an earlier one may be out of date.
int connectionGeneration();
// The open connection is to a PostgreSQL server (its statements may use its own functions).
bool onPostgreSQL();
}  // namespace db

// Run the statement and hand back the result set on its first row. resultAtEnd records "9" when
// it has no row, "0" otherwise (left alone when the open fails); callers ask the set's atEnd().
std::unique_ptr<db::ResultSet> openUpdatable(const QString& sql);
std::unique_ptr<db::ResultSet> openReadOnly(const QString& sql);
// Runs an action statement; matching no row is no failure.
void executeSql(const QString& sql);

void beginTransaction();
void commitTransaction();
void rollbackTransaction();

// Text to paste between apostrophes in a statement text: apostrophes doubled.
QString quoteSql(const QString& text);

// Display name of a code of a classification in 区分マスタ; empty when there is none or the
// statement fails. A failure of the surroundings (connection, lock, store) is thrown.
QString lookupClassName(const QString& classification, const QString& code);
