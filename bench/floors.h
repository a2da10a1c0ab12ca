// What a list load is measured against: the same statement over the same database, read
//   - by the engine's own shell, as a whole process with its output discarded;
//   - through ODBC as fast as it goes: bound columns with row arrays, narrow UTF-8 text from the
//     ANSI SQLite driver, wide text from psqlODBC;
//   - through ODBC a cell at a time: SQLGetData as wide text into a QString per cell.
// Each returns milliseconds, or a negative number when it could not run (told on stderr).
// connectMs times a new connection with the driver loaded already: what every start-up pays on
// top of a list load.
#pragma once

#include <QString>

class TestDatabase;

double connectMs(const QString& connectString);
double engineShellMs(const TestDatabase& database, const QString& sql);
double boundFetchMs(const QString& connectString, const QString& sql, bool narrow, long& rows);
double perCellFetchMs(const QString& connectString, const QString& sql, long& rows);
