// The database session: the one owner of the environment, the connection and its connect string.
// It opens the connection again where it was found lost, or where its SQLite file was replaced,
// and runs the transactions.
#include "db/db.h"
#include "odbc.h"

#include "platform/platform.h"

#include <QFile>

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <memory>
#include <optional>
#include <utility>
#include <sys/stat.h>
#include <vector>

namespace db {

namespace {

// unixODBC hands wide text to an ANSI driver (SQLite) in the process's code set: without a
// UTF-8 LC_CTYPE the Japanese identifiers would not survive.
void ensureUtf8Codeset() {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && std::strcmp(codeset, "UTF-8") == 0) return;
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "ja_JP.UTF-8"})
        if (std::setlocale(LC_CTYPE, name)) return;
    platform::logDetail(QStringLiteral("connect: no UTF-8 locale available; non-ASCII text may not reach the driver"));
}

// Which file a path names now: a backup put back under the same name is another file.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

// Connections opened by the program so far.
int generation = 0;

Error sessionFailure(Cause cause, const QString& message) {
    Error e(QString(), 0, message);
    e.cause = cause;
    return e;
}

class Session {
public:
    Session(QString connectString, std::unique_ptr<Environment> environment, std::unique_ptr<Connection> connection)
        : connectString_(std::move(connectString)),
          environment_(std::move(environment)),
          connection_(std::move(connection)),
          engine_(connection_->engine()) {
        rememberFile();
        publish();
    }

    ~Session() {
        connection_->close();
        for (auto& c : laidAside_) c->close();
        workarea.dbConnection = nullptr;
        workarea.dbEnvironment = nullptr;
    }

    Connection& connection() { return *connection_; }
    bool inTransaction() const { return connection_->inTransaction; }
    bool firstInTransaction() const { return inTransaction() && firstInTransaction_; }
    void statementRan() { firstInTransaction_ = false; }
    void markLost() { lost_ = true; }
    Engine engine() const { return engine_; }

    // The connection for the next statement. Outside a transaction a lost connection, or one to a
    // SQLite file that is no longer the file at its path, is opened again first.
    Connection& ready() {
        if (inTransaction()) {
            if (!connection_->isOpen() || connection_->givenUp())
                throw sessionFailure(Cause::Lost, QStringLiteral("the connection was lost in the middle of a transaction"));
            return *connection_;
        }
        if (lost_ || !connection_->isOpen() || connection_->givenUp()) {
            reopen();
        } else if (file_) {
            const std::optional<FileIdentity> now = identityOf(connection_->databaseFile());
            if (!now)
                throw sessionFailure(Cause::Lost, QStringLiteral("the database file %1 is not there")
                                                      .arg(connection_->databaseFile()));
            if (*now != *file_) {
                platform::logDetail(QStringLiteral("database: %1 was replaced; opening the new file")
                                        .arg(connection_->databaseFile()));
                reopen();
            }
        }
        return *connection_;
    }

    // The old connection closed (never committing) and a new one opened with the same connect
    // string, its login bounded by reconnectLoginTimeout.
    void reopen() {
        layAside();
        for (auto it = laidAside_.begin(); it != laidAside_.end();)
            it = (*it)->close() ? laidAside_.erase(it) : it + 1;
        auto fresh = std::make_unique<Connection>(*environment_);
        try {
            fresh->open(connectString_, reconnectLoginTimeout);
        } catch (Error& e) {
            if (e.cause == Cause::Other || e.cause == Cause::Data) e.cause = causeOf(e.sqlState, e.nativeCode, engine_);
            // Whatever keeps the login from working, the operator can only wait for it.
            if (!e.fromSurroundings()) e.cause = Cause::Lost;
            lost_ = true;
            publish();
            throw;
        }
        connection_ = std::move(fresh);
        ++generation;
        lost_ = false;
        rememberFile();
        publish();
        platform::logDetail(QStringLiteral("database: connected again"));
    }

    void begin() {
        ready().begin();
        firstInTransaction_ = true;
    }

    void commit() {
        const platform::BusyPointer busy;
        try {
            connection_->commit();
        } catch (Error& e) {
            noteFailure(e);
            // Sent or not, its answer is gone: only reading the row back can tell.
            if (e.cause == Cause::Lost) e.outcomeUnknown = true;
            throw;
        }
    }

    void rollback() {
        // A connection already laid aside took its transaction with it: the engine undoes it.
        if (!connection_->isOpen()) return;
        try {
            connection_->rollback();
        } catch (Error& e) {
            noteFailure(e);
            lost_ = true;
            throw ConnectionDropped(e.sqlState, e.nativeCode,
                                    QStringLiteral("the roll-back failed; the connection was laid aside without "
                                                   "committing and a new one opens for the next action: ") +
                                        e.message);
        }
    }

private:
    // Closes the connection; one the driver will not let go of is kept aside, never used again.
    void layAside() {
        if (!connection_->close()) {
            platform::logDetail(QStringLiteral("database: the old connection is kept aside unused; the driver would not close it"));
            laidAside_.push_back(std::move(connection_));
        }
        connection_ = std::make_unique<Connection>(*environment_);
        publish();
    }

    void rememberFile() { file_ = identityOf(connection_->databaseFile()); }

    void publish() {
        workarea.dbEnvironment = environment_.get();
        workarea.dbConnection = connection_.get();
    }

    QString connectString_;
    std::unique_ptr<Environment> environment_;
    std::unique_ptr<Connection> connection_;
    std::vector<std::unique_ptr<Connection>> laidAside_;
    Engine engine_;
    std::optional<FileIdentity> file_;
    bool lost_ = false;
    bool firstInTransaction_ = false;
};

std::unique_ptr<Session> session;

// Set while the open connection is the one opened ahead.
bool takenAhead = false;

// Takes the connection opened ahead when it was opened with this connect string; true when it
// did. A failure to connect with it is this connect's failure.
bool takeConnectionOpenedAhead(const QString& connectString) {
    std::unique_ptr<OpenedAhead> opened = takeOpenedAhead();
    if (!opened || opened->connectString != connectString) return false;  // closed with `opened`
    if (opened->failure) std::rethrow_exception(opened->failure);
    closeDatabase();
    opened->environment->name = workarea.machineName;
    session = std::make_unique<Session>(connectString, std::move(opened->environment), std::move(opened->connection));
    ++generation;
    takenAhead = true;
    if (opened->deliverRead) opened->deliverRead();
    return true;
}

Session& theSession() {
    if (!session) throw Error(QString(), 0, QStringLiteral("no open database connection"));
    return *session;
}

// A value pasted into a connect string: braced where it holds a character that would end it or
// start another attribute, a closing brace doubled inside.
QString connectValue(const QString& value) {
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) && !value.contains(QLatin1Char('}')))
        return value;
    QString braced = value;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

}  // namespace

QString connectStringFor(const QString& dataSource, const QString& userId, const QString& password) {
    return QStringLiteral("DSN=") + connectValue(dataSource) + QStringLiteral(";UID=") + connectValue(userId) +
           QStringLiteral(";PWD=") + connectValue(password) + QStringLiteral(";");
}

bool connectedAhead() { return takenAhead; }

int connectionGeneration() { return generation; }

bool onPostgreSQL() { return theSession().engine() == Engine::PostgreSQL; }

Connection& currentConnection() { return theSession().ready(); }

void noteFailure(Error& error) {
    if (session && !error.noted) {
        Connection& c = session->connection();
        if (error.cause == Cause::Other && !error.sqlState.isEmpty())
            error.cause = causeOf(error.sqlState, error.nativeCode, session->engine());
        if (error.cause != Cause::Lost && c.isOpen() && c.isDead()) error.cause = Cause::Lost;
        if (error.cause == Cause::Lost) session->markLost();
    }
    if (!error.noted) logFailure(error);
    error.noted = true;
}

bool mayReplay(Replay replay) {
    if (replay != Replay::Read || !session) return false;
    return !session->inTransaction() || session->firstInTransaction();
}

void statementRan() {
    if (session) session->statementRan();
}

void reopenForReplay() {
    Session& s = theSession();
    const bool inTransaction = s.inTransaction();
    s.reopen();
    // Nothing of the transaction had run: it starts again on the new connection.
    if (inTransaction) s.begin();
}

void reconnect() {
    try {
        theSession().reopen();
    } catch (Error& e) {
        noteFailure(e);
        throw;
    }
}

}  // namespace db

void openDatabase() {
    try {
        const QString dataSource = workarea.dataSource.trimmed();
        const QString userId = workarea.dbUserId.trimmed();
        const QString password = workarea.dbPassword.trimmed();
        workarea.connectString = db::connectStringFor(dataSource, userId, password);
        if (db::takeConnectionOpenedAhead(workarea.connectString)) return;
        // Without a name unixODBC would pick a data source of its own, and the SQLite driver
        // would create a database file named after the connect string.
        if (dataSource.isEmpty())
            throw db::Error(QString(), 0, QStringLiteral("no data source name (DBSTRING) in the settings file"));
        db::ensureUtf8Codeset();
        closeDatabase();
        auto environment = std::make_unique<db::Environment>(workarea.machineName, userId, password);
        auto connection = std::make_unique<db::Connection>(*environment);
        connection->open(workarea.connectString);
        db::session = std::make_unique<db::Session>(workarea.connectString, std::move(environment), std::move(connection));
        ++db::generation;
    } catch (const std::exception& e) {
        // logDetail masks the password whatever characters it holds.
        platform::fatal(QStringLiteral("接続エラー"),
                        QStringLiteral("connect (%1): %2").arg(workarea.connectString, QString::fromUtf8(e.what())));
    }
}

void closeDatabase() {
    db::takeOpenedAhead();  // a connection opened ahead and not taken is closed with it
    db::takenAhead = false;
    // Statements of the connection are freed with it; the environment goes last.
    db::session.reset();
    workarea.dbConnection = nullptr;
    workarea.dbEnvironment = nullptr;
}

void beginTransaction() {
    db::reported([] {
        db::theSession().begin();
        return true;
    });
}

void commitTransaction() { db::theSession().commit(); }

void rollbackTransaction() { db::theSession().rollback(); }

db::Transaction::Transaction() {
    beginTransaction();
    open_ = true;
}

void db::Transaction::commit() {
    commitTransaction();
    open_ = false;
}

void db::Transaction::rollback() noexcept {
    if (!std::exchange(open_, false)) return;
    try {
        rollbackTransaction();
    } catch (const std::exception& e) {
        platform::logDetail(QStringLiteral("roll-back: ") + QString::fromUtf8(e.what()));
    }
}
