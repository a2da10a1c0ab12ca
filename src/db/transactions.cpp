#include "db/db.h"
#include "odbc.h"

void beginTransaction() {
    db::reported([] { db::currentConnection().begin(); });
}

void commitTransaction() {
    db::reported([] { db::currentConnection().commit(); });
}

void rollbackTransaction() {
    db::reported([] { db::currentConnection().rollback(); });
}
