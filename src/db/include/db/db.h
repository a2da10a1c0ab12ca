// Database access: the one ODBC connection, its result sets, action statements and transactions,
// and the classification name lookup. Each statement operation takes its text and leaves it in
// workarea.sqlText, where the design keeps the statement run last.
#pragma once

#include "core/workarea.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>


namespace db {

class Connection;
class Statement;

// A failure of the driver manager, the driver or this layer. what() is a one-line summary.
class Error : public std::runtime_error {
public:
    Error(const QString& sqlState, int nativeCode, const QString& message, const QString& statement = QString());
    QString sqlState;  // empty when the failure was found by this layer
    int nativeCode = 0;
    QString message;
    QString statement;
};

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

// Display name of a code of a classification in 区分マスタ; empty when there is none or on failure.
QString lookupClassName(const QString& classification, const QString& code);
