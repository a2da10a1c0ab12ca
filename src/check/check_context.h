// What the checks hand on to each other, and the helpers they share.
#pragma once

#include "check/health_check.h"
#include "odbc.h"

#include <QStringList>

#include <memory>

namespace check {

struct Context {
    Options options;
    QString settingsFile;  // empty when the program's folder has no folder two levels up
    bool settingsFileExists = false;

    // The login as the program reads it; set when DBSTRING could be read.
    bool loginRead = false;
    QString dataSource;
    QString userId;
    QString password;

    // The data source, once found with a driver that loads.
    bool dataSourceUsable = false;
    bool inUserOdbcIni = false;  // else the system's
    db::Engine engine = db::Engine::Other;
    QString sqliteFile;       // Database= of a SQLite data source
    bool driverLogs = false;  // psqlODBC configured to write its log file

    std::unique_ptr<db::Environment> environment;
    std::unique_ptr<db::Connection> connection;  // open, read-only, once the login worked

    bool tablesPresent = false;
};

// The checks, in the order they run; each fills in its result (status Ok unless it says otherwise).
void checkSettingsFile(Context& c, Result& r);
void checkDataSource(Context& c, Result& r);
void checkLogin(Context& c, Result& r);
void checkTables(Context& c, Result& r);
void checkPrivileges(Context& c, Result& r);
void checkJapaneseText(Context& c, Result& r);
void checkItemList(Context& c, Result& r);
void checkWaits(Context& c, Result& r);
void checkSettingsPermissions(Context& c, Result& r);
void checkHistory(Context& c, Result& r);

inline void fail(Result& r, const QString& detail, const QString& remedy) {
    r.status = Status::Ng;
    r.detail = detail;
    r.remedy = remedy;
}
inline void skip(Result& r, const QString& why) {
    r.status = Status::Skipped;
    r.detail = why;
}

// A key of the data source, from the odbc.ini it was found in.
QString dataSourceKey(const Context& c, const char* key);
QString odbcIniName(const Context& c);

// Every row of a statement on the check's connection, every value as text (null: a null QString).
QList<QStringList> queryRows(db::Connection& connection, const QString& sql);

// The table's column names, folded as the program matches them; empty when there is no such table.
QStringList columnsOf(db::Connection& connection, const QString& table);

// The engine's name for the administrator.
QString engineName(db::Engine engine);

}  // namespace check
