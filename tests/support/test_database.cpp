#include "test_database.h"

#include "db/db.h"
#include "odbc.h"
#include "core/workarea.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString findDriver(const QString& fileName) {
    const QStringList roots = {QStringLiteral("/usr/lib"), QStringLiteral("/usr/local/lib")};
    for (const QString& root : roots) {
        if (QFile::exists(root + QStringLiteral("/odbc/") + fileName)) return root + QStringLiteral("/odbc/") + fileName;
        for (const QString& arch : QDir(root).entryList(QStringList{QStringLiteral("*-linux-gnu*")}, QDir::Dirs)) {
            const QString path = root + QLatin1Char('/') + arch + QStringLiteral("/odbc/") + fileName;
            if (QFile::exists(path)) return path;
        }
    }
    return QString();
}

void writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
    f.write(text.toUtf8());
}

// Statements end with a semicolon at the end of a line, except inside a $$-quoted function body.
QStringList splitStatements(const QString& script) {
    QStringList statements;
    QString current;
    bool inBody = false;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (!inBody && line.trimmed().startsWith(QStringLiteral("--"))) continue;
        current += line + QLatin1Char('\n');
        if (line.count(QStringLiteral("$$")) % 2 == 1) inBody = !inBody;
        if (!inBody && line.trimmed().endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            if (!current.trimmed().isEmpty()) statements.append(current.trimmed());
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty()) statements.append(current.trimmed());
    return statements;
}

}  // namespace

TestDatabase::Engine TestDatabase::engineFromEnvironment() {
    const QString name = qEnvironmentVariable("R205730_TEST_ENGINE").toLower();
    return name.startsWith(QStringLiteral("postgres")) ? Engine::PostgreSQL : Engine::SQLite;
}

QString TestDatabase::schemaFolder() { return QStringLiteral(R205730_SCHEMA_DIR); }

// unixODBC reads ODBCSYSINI once per process and caches what it read from odbc.ini by data source
// name for 20 seconds: so every test database of a process has the same configuration in the same
// folder, and only the database behind it is made afresh.
QString TestDatabase::folder() {
    static QTemporaryDir folder;
    static const bool prepared = [] {
        QDir(folder.path()).mkpath(QStringLiteral("odbc"));
        QDir(folder.path()).mkpath(QStringLiteral("data"));
        writeFile(folder.path() + QStringLiteral("/odbc/odbcinst.ini"),
                  QStringLiteral("[SQLite3]\nDriver=%1\n\n[PostgreSQL Unicode]\nDriver=%2\n")
                      .arg(findDriver(QStringLiteral("libsqlite3odbc.so")), findDriver(QStringLiteral("psqlodbcw.so"))));
        qputenv("ODBCSYSINI", QFile::encodeName(folder.path() + QStringLiteral("/odbc")));
        qputenv("ODBCINI", QFile::encodeName(folder.path() + QStringLiteral("/odbc/odbc.ini")));
        return true;
    }();
    Q_UNUSED(prepared);
    return folder.path();
}

namespace {
QString sqliteFolder;
}

void TestDatabase::placeSqliteIn(const QString& folder) { sqliteFolder = folder; }

TestDatabase::TestDatabase(Engine engine, bool withSchema) : engine_(engine) {
    const QString sqliteDriver = findDriver(QStringLiteral("libsqlite3odbc.so"));
    const QString pgDriver = findDriver(QStringLiteral("psqlodbcw.so"));
    folder();
    QString schema;
    if (engine_ == Engine::SQLite) {
        if (sqliteDriver.isEmpty()) {
            problem_ = QStringLiteral("the SQLite ODBC driver is not installed");
            unavailable_ = true;
        }
        userId_ = QStringLiteral("edi");
        password_ = QStringLiteral("edi-pass");
        // unixODBC keeps what it read of a data source for a while: a file elsewhere gets a name of its own.
        if (!sqliteFolder.isEmpty()) dataSource_ = QStringLiteral("EDI_TEST_%1").arg(qHash(sqliteFolder) % 100000);
        sqliteFile_ = (sqliteFolder.isEmpty() ? folder() + QStringLiteral("/data") : sqliteFolder) + QStringLiteral("/edi.sqlite");
        const QString& file = sqliteFile_;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) QFile::remove(file + QLatin1String(suffix));
        writeOdbcIni(file);
        schema = QStringLiteral("/sqlite.sql");
    } else {
        const QStringList needed = {QStringLiteral("R205730_PG_HOST"), QStringLiteral("R205730_PG_PORT"),
                                    QStringLiteral("R205730_PG_USER"), QStringLiteral("R205730_PG_PASSWORD"),
                                    QStringLiteral("R205730_PG_DATABASE")};
        for (const QString& v : needed)
            if (qEnvironmentVariable(qPrintable(v)).isEmpty())
                problem_ = v + QStringLiteral(" is not set (scripts/test starts the PostgreSQL test server)");
        unavailable_ = !isReady();
        if (pgDriver.isEmpty()) {
            problem_ = QStringLiteral("the PostgreSQL ODBC driver is not installed");
            unavailable_ = true;
        }
        userId_ = qEnvironmentVariable("R205730_PG_USER");
        password_ = qEnvironmentVariable("R205730_PG_PASSWORD");
        pgDatabase_ = QStringLiteral("edi_t%1").arg(QCoreApplication::applicationPid());
        writeOdbcIni(pgDatabase_);
        if (isReady()) {
            // A fresh database per test, made from the test role's own one.
            try {
                runAsAdministrator(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pgDatabase_));
                runAsAdministrator(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(pgDatabase_));
            } catch (const std::exception& e) {
                problem_ = QString::fromUtf8(e.what());
            }
        }
        schema = QStringLiteral("/postgresql.sql");
    }
    if (isReady() && withSchema) {
        try {
            runFile(schemaFolder() + schema);
            runFile(schemaFolder() + QStringLiteral("/history-") + schema.mid(1));
        } catch (const std::exception& e) {
            problem_ = QString::fromUtf8(e.what());
        }
    }
}

TestDatabase::~TestDatabase() {
    closeDatabase();
    connection_.reset();
    environment_.reset();
    if (engine_ == Engine::PostgreSQL && !unavailable_) {
        try {
            runAsAdministrator(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(pgDatabase_));
        } catch (const std::exception& e) {
            qWarning("cannot drop test database %s: %s", qPrintable(pgDatabase_), e.what());
        }
    }
}

QString TestDatabase::driverSection() const {
    return engine_ == Engine::SQLite ? QStringLiteral("SQLite3") : QStringLiteral("PostgreSQL Unicode");
}

void TestDatabase::writeOdbcIni(const QString& database) {
    QMap<QString, QString> keys;
    keys.insert(QStringLiteral("Driver"), driverSection());
    keys.insert(QStringLiteral("Database"), database);
    if (engine_ == Engine::SQLite) {
        // A lock held by another connection fails soon instead of after the default 100 s.
        keys.insert(QStringLiteral("Timeout"), QStringLiteral("2000"));
    } else {
        keys.insert(QStringLiteral("Servername"), qEnvironmentVariable("R205730_PG_HOST"));
        keys.insert(QStringLiteral("Port"), qEnvironmentVariable("R205730_PG_PORT"));
        // A row or table lock held by another connection fails soon, as the SQLite Timeout does.
        keys.insert(QStringLiteral("ConnSettings"), QStringLiteral("SET lock_timeout = 2000"));
        // A silent line noticed as the sites notice it.
        keys.insert(QStringLiteral("KeepaliveTime"), QStringLiteral("10"));
        keys.insert(QStringLiteral("KeepaliveInterval"), QStringLiteral("5"));
        keys.insert(QStringLiteral("pqopt"), QStringLiteral("keepalives_count=3 tcp_user_timeout=20000"));
        QMap<QString, QString> admin = keys;
        admin.insert(QStringLiteral("Database"), qEnvironmentVariable("R205730_PG_DATABASE"));
        sources_.insert(dataSource() + QStringLiteral("_ADMIN"), admin);
    }
    sources_.insert(dataSource(), keys);
    saveOdbcIni();
}

void TestDatabase::saveOdbcIni() const {
    QString text;
    for (auto s = sources_.begin(); s != sources_.end(); ++s) {
        text += QStringLiteral("[%1]\n").arg(s.key());
        for (auto it = s->begin(); it != s->end(); ++it) text += it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n');
        text += QLatin1Char('\n');
    }
    const QString path = odbcFolder() + QStringLiteral("/odbc.ini");
    writeFile(path, text);
}

void TestDatabase::addDataSource(const QString& name, const QMap<QString, QString>& keys) {
    QMap<QString, QString> merged = sources_.value(dataSource());
    for (auto it = keys.begin(); it != keys.end(); ++it) merged.insert(it.key(), it.value());
    sources_.insert(name, merged);
    saveOdbcIni();
}

void TestDatabase::runAsAdministrator(const QString& sql) {
    db::Environment environment(QStringLiteral("ADMIN"), userId_, password_);
    db::Connection connection(environment);
    connection.open(QStringLiteral("DSN=%1_ADMIN;UID=%2;PWD=%3;").arg(dataSource(), userId_, password_));
    db::Statement statement(connection);
    statement.execDirect(sql);
}

void TestDatabase::configureWorkArea() const {
    workarea.dataSource = dataSource();
    workarea.dbUserId = userId_;
    workarea.dbPassword = password_;
    workarea.machineName = QStringLiteral("WS01");
}

db::Connection& TestDatabase::otherConnection() {
    if (!connection_) {
        environment_ = std::make_unique<db::Environment>(QStringLiteral("WS02"), userId_, password_);
        connection_ = std::make_unique<db::Connection>(*environment_);
        connection_->open(QStringLiteral("DSN=%1;UID=%2;PWD=%3;").arg(dataSource(), userId_, password_));
    }
    return *connection_;
}

template <class Operation>
auto TestDatabase::onOtherConnection(Operation&& operation) {
    try {
        return operation(otherConnection());
    } catch (const db::Error&) {
        // A server restarted by the test cut this connection: the next one is new.
        if (!connection_ || !connection_->isDead()) throw;
    }
    connection_.reset();
    environment_.reset();
    return operation(otherConnection());
}

void TestDatabase::run(const QString& sql) {
    onOtherConnection([&](db::Connection& c) {
        for (const QString& statement : splitStatements(sql)) {
            db::Statement s(c);
            s.execDirect(statement);
        }
        return true;
    });
}

void TestDatabase::runFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    run(QString::fromUtf8(f.readAll()));
}

void TestDatabase::loadSampleData() { runFile(schemaFolder() + QStringLiteral("/sample-data.sql")); }

QVariant TestDatabase::queryValue(const QString& sql) {
    return onOtherConnection([&](db::Connection& c) { return queryValueOn(c, sql); });
}

QVariant TestDatabase::queryValueOn(db::Connection& connection, const QString& sql) {
    db::Statement s(connection);
    s.execDirect(sql);
    const SQLRETURN rc = SQLFetch(s.handle());
    if (rc == SQL_NO_DATA) return QVariant();
    db::check(rc, SQL_HANDLE_STMT, s.handle(), QStringLiteral("fetch"), sql);
    SQLWCHAR buffer[2048];
    SQLLEN indicator = 0;
    db::check(SQLGetData(s.handle(), 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_HANDLE_STMT, s.handle(),
              QStringLiteral("read"), sql);
    if (indicator == SQL_NULL_DATA) return QVariant();
    return db::fromWide(buffer, qMin<SQLLEN>(indicator, sizeof buffer - sizeof(SQLWCHAR)) / sizeof(SQLWCHAR));
}

QList<QStringList> TestDatabase::queryRows(const QString& sql) {
    return onOtherConnection([&](db::Connection& c) { return queryRowsOn(c, sql); });
}

QList<QStringList> TestDatabase::queryRowsOn(db::Connection& connection, const QString& sql) {
    db::Statement s(connection);
    s.execDirect(sql);
    SQLSMALLINT columns = 0;
    db::check(SQLNumResultCols(s.handle(), &columns), SQL_HANDLE_STMT, s.handle(), QStringLiteral("columns"), sql);
    QList<QStringList> rows;
    for (;;) {
        const SQLRETURN rc = SQLFetch(s.handle());
        if (rc == SQL_NO_DATA) break;
        db::check(rc, SQL_HANDLE_STMT, s.handle(), QStringLiteral("fetch"), sql);
        QStringList row;
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c) {
            SQLWCHAR buffer[2048] = {};
            SQLLEN indicator = 0;
            db::check(SQLGetData(s.handle(), c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_HANDLE_STMT,
                      s.handle(), QStringLiteral("read"), sql);
            row.append(indicator == SQL_NULL_DATA ? QString() : db::fromTerminated(buffer, 2048));
        }
        rows.append(row);
    }
    return rows;
}

void TestDatabase::reconnectOwn() {
    connection_.reset();
    environment_.reset();
}

QMap<QString, QString> TestDatabase::iniLogin() const {
    return {{QStringLiteral("動作環境/USERID"), userId_}, {QStringLiteral("動作環境/PASSWD"), password_}};
}
