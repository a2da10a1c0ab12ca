// The history's side of the bench: a twin of the test database without the history table, for the
// same saves with and without it; and a long history to open with Ctrl+H.
#pragma once

#include <QString>

class TestDatabase;

// A copy of the database as it stands, without the history table, behind a data source of its
// own (SQLite: the file copied; PostgreSQL: a database made with it as the template, which nothing
// may be connected to meanwhile). Dropped with this object.
class NoHistoryTwin {
public:
    explicit NoHistoryTwin(TestDatabase& database);
    ~NoHistoryTwin();
    NoHistoryTwin(const NoHistoryTwin&) = delete;
    NoHistoryTwin& operator=(const NoHistoryTwin&) = delete;

    bool isReady() const { return ready_; }
    static QString dataSource() { return QStringLiteral("EDI_BENCH_NO_HISTORY"); }

private:
    TestDatabase& database_;
    QString copy_;  // the SQLite file or the PostgreSQL database
    bool ready_ = false;
};

// Fills the history table with `rows` rows as years of saves would leave them, in one statement of
// the engine's shell: `versions` of them of the item `key`, spread evenly through it (the first
// an addition), the others spread over the items 1..items but that one; analyzed after.
bool fillHistory(const TestDatabase& database, long rows, int versions, int items, int key);
