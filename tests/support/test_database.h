// A database for one test, reached through the real driver manager and driver.
//
// The data source "EDI_TEST" (the one standardIni() names) is configured in odbcinst.ini and
// odbc.ini of a temporary folder that ODBCSYSINI and ODBCINI point at for the whole process; the
// constructor makes the database behind it afresh, with the schema of schema/ loaded (no rows):
// a new SQLite file, or a new database on the PostgreSQL test server that scripts/test starts
// (R205730_PG_HOST, _PORT, _USER, _PASSWORD, _DATABASE). One TestDatabase at a time.
// The engine comes from R205730_TEST_ENGINE ("sqlite", the default, or "postgresql").
//
//   TestDatabase database;
//   REQUIRE_TEST_DATABASE(database);      // skips, or fails under CI=true, when PG is missing
//   database.configureWorkArea();         // dataSource, dbUserId, dbPassword, machineName
//   database.run("INSERT INTO ...");      // through a connection of its own
//   openDatabase();                       // the program's connection
#pragma once

#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <QTest>

#include <memory>

namespace db {
class Environment;
class Connection;
}  // namespace db

class TestDatabase {
public:
    enum class Engine { SQLite, PostgreSQL };
    static Engine engineFromEnvironment();

    explicit TestDatabase(Engine engine = engineFromEnvironment(), bool withSchema = true);
    // Closes the work area's connection too: the database goes away with this object.
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool isReady() const { return problem_.isEmpty(); }
    QString problem() const { return problem_; }
    // Not ready because the engine is missing here (no server started, no driver), rather than broken.
    bool isUnavailable() const { return unavailable_; }
    Engine engine() const { return engine_; }
    bool isPostgres() const { return engine_ == Engine::PostgreSQL; }

    QString dataSource() const { return dataSource_; }
    // The SQLite file, or the database's name on the PostgreSQL server.
    QString databaseName() const { return isPostgres() ? pgDatabase_ : sqliteFile_; }
    // SQLite databases made from now on live in this folder (a small file system, say), behind a
    // data source of their own; an empty folder puts them back in the process's folder.
    static void placeSqliteIn(const QString& folder);
    QString userId() const { return userId_; }
    QString password() const { return password_; }
    // The folder of the process: odbc/odbcinst.ini, odbc/odbc.ini and (SQLite) data/edi.sqlite.
    static QString folder();
    static QString odbcFolder() { return folder() + QStringLiteral("/odbc"); }

    // EDI.ini overrides ("Section/Key") that log in to this database: USERID and PASSWD.
    QMap<QString, QString> iniLogin() const;
    // Writes the data source, user and password (and a machine name) into the work area.
    void configureWorkArea() const;
    // Adds another data source of the same driver to odbc.ini; keys replace or add to this
    // database's own (e.g. {"Port", "1"} for a server that is not running).
    void addDataSource(const QString& name, const QMap<QString, QString>& keys = {});

    // Runs statements separated by ";" at line ends ("--" comment lines allowed) on a
    // connection of its own, as another workstation would; it commits each at once.
    void run(const QString& sql);
    void runFile(const QString& path);
    void loadSampleData();
    // The first column of the first row, as text (null QVariant for SQL NULL or no row).
    QVariant queryValue(const QString& sql);
    // Every row, every column as text; SQL NULL as a null QString.
    QList<QStringList> queryRows(const QString& sql);
    // Closes the connection of its own; the next statement opens a new one. A SQLite file put back
    // at its path is another file than the one that connection holds open.
    void reconnectOwn();

    static QString schemaFolder();

private:
    void writeOdbcIni(const QString& database);
    void saveOdbcIni() const;
    void runAsAdministrator(const QString& sql);
    QString driverSection() const;
    db::Connection& otherConnection();
    // Runs on the connection of its own; one that a restarted server cut is opened again once.
    template <class Operation>
    auto onOtherConnection(Operation&& operation);
    static QVariant queryValueOn(db::Connection& connection, const QString& sql);
    static QList<QStringList> queryRowsOn(db::Connection& connection, const QString& sql);

    Engine engine_;
    QString dataSource_ = QStringLiteral("EDI_TEST");
    QString sqliteFile_;
    QString problem_;
    bool unavailable_ = false;
    QString userId_;
    QString password_;
    QString pgDatabase_;
    QMap<QString, QMap<QString, QString>> sources_;
    std::unique_ptr<db::Environment> environment_;
    std::unique_ptr<db::Connection> connection_;
};

// Skips the test when the engine is missing here (a failure under CI=true); fails it when the
// database could not be made.
#define REQUIRE_TEST_DATABASE(database)                                                          \
    do {                                                                                         \
        if (!(database).isReady()) {                                                             \
            if (!(database).isUnavailable() || qEnvironmentVariable("CI") == QLatin1String("true")) \
                QFAIL(qPrintable(QStringLiteral("test database: ") + (database).problem()));     \
            QSKIP(qPrintable(QStringLiteral("test database: ") + (database).problem()));         \
        }                                                                                        \
    } while (false)
