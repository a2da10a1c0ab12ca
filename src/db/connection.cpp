#include "db/db.h"
#include "odbc.h"

#include "platform/platform.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <memory>

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

// Set while the open connection is the one opened ahead.
bool takenAhead = false;

// Takes the connection opened ahead when it was opened with this connect string; true when it
// did. A failure to connect with it is this connect's failure.
bool takeConnectionOpenedAhead(const QString& connectString) {
    std::unique_ptr<db::OpenedAhead> opened = db::takeOpenedAhead();
    if (!opened || opened->connectString != connectString) return false;  // closed with `opened`
    if (opened->failure) std::rethrow_exception(opened->failure);
    closeDatabase();
    opened->environment->name = workarea.machineName;
    workarea.dbEnvironment = opened->environment.release();
    workarea.dbConnection = opened->connection.release();
    takenAhead = true;
    if (opened->deliverRead) opened->deliverRead();
    return true;
}

}  // namespace

QString db::connectStringFor(const QString& dataSource, const QString& userId, const QString& password) {
    return QStringLiteral("DSN=") + dataSource + QStringLiteral(";UID=") + userId + QStringLiteral(";PWD=") + password +
           QStringLiteral(";");
}

bool db::connectedAhead() { return takenAhead; }

void openDatabase() {
    try {
        const QString dataSource = workarea.dataSource.trimmed();
        const QString userId = workarea.dbUserId.trimmed();
        const QString password = workarea.dbPassword.trimmed();
        workarea.connectString = db::connectStringFor(dataSource, userId, password);
        if (takeConnectionOpenedAhead(workarea.connectString)) return;
        // Without a name unixODBC would pick a data source of its own, and the SQLite driver
        // would create a database file named after the connect string.
        if (dataSource.isEmpty())
            throw db::Error(QString(), 0, QStringLiteral("no data source name (DBSTRING) in the settings file"));
        ensureUtf8Codeset();
        closeDatabase();
        auto environment = std::make_unique<db::Environment>(workarea.machineName, userId, password);
        auto connection = std::make_unique<db::Connection>(*environment);
        connection->open(workarea.connectString);
        workarea.dbEnvironment = environment.release();
        workarea.dbConnection = connection.release();
    } catch (const std::exception& e) {
        // The password stays out of the log whatever characters it holds.
        QString shown = workarea.connectString;
        const QString password = workarea.dbPassword.trimmed();
        if (!password.isEmpty()) shown.replace(QStringLiteral(";PWD=") + password + QLatin1Char(';'), QStringLiteral(";PWD=***;"));
        platform::fatal(QStringLiteral("接続エラー"),
                        QStringLiteral("connect (%1): %2").arg(shown, QString::fromUtf8(e.what())));
    }
}

void closeDatabase() {
    db::takeOpenedAhead();  // a connection opened ahead and not taken is closed with it
    takenAhead = false;
    // Statements of the connection are freed with it; the environment goes last.
    delete workarea.dbConnection;
    workarea.dbConnection = nullptr;
    delete workarea.dbEnvironment;
    workarea.dbEnvironment = nullptr;
}
