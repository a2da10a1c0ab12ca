// The connection opened ahead: while the toolkit starts, a second thread connects and runs the
// first read, and openDatabase takes what it got.
#include "db/db.h"
#include "odbc.h"

#include <thread>

namespace db {

namespace {

struct Ahead {
    std::unique_ptr<OpenedAhead> opened = std::make_unique<OpenedAhead>();
    std::thread thread;
    // A thread still running when the process winds down is waited for.
    ~Ahead() {
        if (thread.joinable()) thread.join();
    }
};

// Touched only by the main thread; the other thread works on its own OpenedAhead.
std::unique_ptr<Ahead> ahead;

}  // namespace

void openAhead(const QString& dataSource, const QString& userId, const QString& password, ReadAhead read) {
    // Without a name the driver would pick a data source of its own; openDatabase refuses it.
    if (dataSource.isEmpty()) return;
    ahead.reset();
    ahead = std::make_unique<Ahead>();
    OpenedAhead* opened = ahead->opened.get();
    opened->connectString = connectStringFor(dataSource, userId, password);
    ahead->thread = std::thread([opened, userId, password, read = std::move(read)] {
        try {
            opened->environment = std::make_unique<Environment>(QString(), userId, password);
            opened->connection = std::make_unique<Connection>(*opened->environment);
            opened->connection->open(opened->connectString);
        } catch (...) {
            opened->failure = std::current_exception();
            opened->connection.reset();
            opened->environment.reset();
            return;
        }
        try {
            opened->deliverRead = read(*opened->connection);
        } catch (...) {
            // The read is made again where it belongs, and fails there in the open.
        }
    });
}

std::unique_ptr<OpenedAhead> takeOpenedAhead() {
    if (!ahead) return nullptr;
    ahead->thread.join();
    std::unique_ptr<OpenedAhead> opened = std::move(ahead->opened);
    ahead.reset();
    return opened;
}

}  // namespace db
