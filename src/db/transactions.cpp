#include "db/db.h"
#include "db/odbc.h"

void beginTransaction() {
    db::reported([] {
        db::Connection& c = db::currentConnection();
        c.setAutoCommit(false);
        c.inTransaction = true;
    });
}

void commitTransaction() {
    db::reported([] {
        db::Connection& c = db::currentConnection();
        // A failed commit leaves the transaction open for the caller's roll-back.
        c.endTransaction(SQL_COMMIT);
        c.inTransaction = false;
        c.setAutoCommit(true);
    });
}

void rollbackTransaction() {
    db::reported([] {
        db::Connection& c = db::currentConnection();
        c.inTransaction = false;
        try {
            c.endTransaction(SQL_ROLLBACK);
        } catch (...) {
            c.setAutoCommit(true);
            throw;
        }
        c.setAutoCommit(true);
    });
}
