// What a list load is measured against: the same statement over the same database, read
//   - by the engine's own shell, as a whole process with its output discarded;
//   - through ODBC as fast as it goes: bound columns with row arrays, narrow UTF-8 text from the
//     ANSI SQLite driver, wide text from psqlODBC;
//   - through ODBC a cell at a time: SQLGetData as wide text into a QString per cell.
// For a statement that reads a few rows, engineInSessionMs leaves the process and the connection
// out: the shell runs it `repeats` times in one session and times each itself; the median.
// Each returns milliseconds, or a negative number when it could not run (told on stderr).
// connectMs times a new connection with the driver loaded already: what every start-up pays on
// top of a list load.
#pragma once

#include <QByteArray>
#include <QString>

class TestDatabase;

double connectMs(const QString& connectString);
double engineInSessionMs(const TestDatabase& database, const QString& sql, int repeats);
double engineShellMs(const TestDatabase& database, const QString& sql);
// warm: the statement run once before, on the same connection, as on a connection in use (a new
// PostgreSQL backend reads the table's catalog first).
double boundFetchMs(const QString& connectString, const QString& sql, bool narrow, long& rows, bool warm = false);
double perCellFetchMs(const QString& connectString, const QString& sql, long& rows);

// Runs a script through the engine's shell (sqlite3 -bail, psql stopping at the first error), on
// the database or on another of the same engine (a SQLite file, a PostgreSQL database's name);
// false, told on stderr, when it fails.
bool runInShell(const TestDatabase& database, const QString& script, const QString& target = {}, QByteArray* output = nullptr);
