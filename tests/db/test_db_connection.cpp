// Opening and closing the one connection, against the real driver manager and driver.
#include "db/db.h"
#include "odbc.h"
#include "scripted_toolkit.h"
#include "stderr_capture.h"
#include "test_database.h"
#include "test_site.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <langinfo.h>

using platform::ProgramEnded;

namespace {
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}
}  // namespace

class TestDbConnection : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProgramState(); }
    void cleanup() {
        resetProgramState();
        std::setlocale(LC_CTYPE, "");
    }

    void connectStringTrimsTheFieldsAndKeepsAnEmptyPassword() {
        TestDatabase database;
        REQUIRE_TEST_DATABASE(database);
        platform::ScriptedToolkitScope scope;
        database.configureWorkArea();
        workarea.dataSource = QStringLiteral("  ") + database.dataSource() + QStringLiteral("  ");
        workarea.dbUserId = QStringLiteral(" edi user ");
        workarea.dbPassword = QString();
        try {
            openDatabase();
        } catch (const ProgramEnded&) {
            // PostgreSQL refuses the empty password; the string is built all the same.
            QVERIFY(database.isPostgres());
        }
        QCOMPARE(workarea.connectString, QStringLiteral("DSN=%1;UID=edi user;PWD=;").arg(database.dataSource()));
    }

    // A value holding ";", "{" or "}" is braced, a closing brace doubled: it can neither break the
    // connect string nor add an attribute to it, and the log masks the whole of it.
    void connectStringValuesAreBraced() {
        const QString braced = db::connectStringFor(QStringLiteral("EDI"), QStringLiteral("u"), QStringLiteral("a;b}c{d"));
        QCOMPARE(braced, QStringLiteral("DSN=EDI;UID=u;PWD={a;b}}c{d};"));
        QCOMPARE(platform::maskSecrets(QStringLiteral("connect (") + braced + QStringLiteral("): failed")),
                 QStringLiteral("connect (DSN=EDI;UID=u;PWD=***;): failed"));
        QCOMPARE(db::connectStringFor(QStringLiteral("EDI"), QStringLiteral("u"), QStringLiteral("plain")),
                 QStringLiteral("DSN=EDI;UID=u;PWD=plain;"));
    }

    void opensWithTheEnvironmentOfTheWorkstationAndClosesTwice() {
        TestDatabase database;
        REQUIRE_TEST_DATABASE(database);
        platform::ScriptedToolkitScope scope;
        database.configureWorkArea();
        openDatabase();
        QVERIFY(scope.tk.boxes.isEmpty());
        QVERIFY(workarea.dbConnection && workarea.dbConnection->isOpen());
        QCOMPARE(workarea.dbEnvironment->name, QStringLiteral("WS01"));
        QCOMPARE(workarea.dbEnvironment->userId, database.userId());
        QCOMPARE(workarea.dbEnvironment->loginTimeout, 120);
        QCOMPARE(workarea.dbConnection->queryTimeout, 300);
        closeDatabase();
        QVERIFY(!workarea.dbConnection && !workarea.dbEnvironment);
        closeDatabase();
        QVERIFY_THROWS_EXCEPTION(db::Error, executeSql(workarea.sqlText));
    }

    void connectFailuresShowTheMessageAndEnd_data() {
        QTest::addColumn<QString>("dataSource");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("postgresOnly");
        QTest::newRow("no data source name") << QStringLiteral("   ") << QString() << false;
        QTest::newRow("unknown data source") << QStringLiteral("NO_SUCH_DSN") << QString() << false;
        QTest::newRow("wrong password") << QStringLiteral("*") << QStringLiteral("wrong-pw7391") << true;
        QTest::newRow("server not running") << QStringLiteral("*_DOWN") << QString() << true;
    }
    void connectFailuresShowTheMessageAndEnd() {
        QFETCH(QString, dataSource);
        QFETCH(QString, password);
        QFETCH(bool, postgresOnly);
        TestDatabase database;
        REQUIRE_TEST_DATABASE(database);
        if (postgresOnly && !database.isPostgres()) QSKIP("SQLite has no passwords and no server");
        // A default data source would catch a connect string without a name; the SQLite
        // driver would then create a file named after the connect string.
        database.addDataSource(QStringLiteral("Default"));
        database.addDataSource(database.dataSource() + QStringLiteral("_DOWN"), {{QStringLiteral("Port"), QStringLiteral("1")}});
        const QStringList odbcFiles = filesIn(database.odbcFolder());
        const QStringList dataFiles = filesIn(database.folder() + QStringLiteral("/data"));
        QTemporaryDir cwd;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(cwd.path());

        platform::ScriptedToolkitScope scope;
        database.configureWorkArea();
        workarea.dataSource = QString(dataSource).replace(QLatin1Char('*'), database.dataSource());
        if (!password.isNull()) workarea.dbPassword = password;
        StderrCapture log;
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, openDatabase());
        QDir::setCurrent(previous);
        // The administrator reads what failed, but never the password.
        const QString logged = log.text();
        QVERIFY2(logged.contains(QStringLiteral("PWD=***")), qPrintable(logged));
        if (!password.isNull()) QVERIFY2(!logged.contains(QStringLiteral("pw7391")), qPrintable(logged));

        QCOMPARE(scope.tk.boxTexts(), QStringList{QStringLiteral("接続エラー")});
        QCOMPARE(scope.tk.boxes[0].style, platform::vbOKOnly);
        QCOMPARE(scope.tk.boxes[0].caption, QStringLiteral("R205730"));
        QVERIFY(scope.tk.lastExitCode != 0);
        QVERIFY(!workarea.dbConnection && !workarea.dbEnvironment);
        QCOMPARE(filesIn(cwd.path()), QStringList());
        QCOMPARE(filesIn(database.odbcFolder()), odbcFiles);
        QCOMPARE(filesIn(database.folder() + QStringLiteral("/data")), dataFiles);
    }

    void japaneseIdentifiersWorkWhateverTheUserLocale() {
        TestDatabase database;
        REQUIRE_TEST_DATABASE(database);
        database.run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('属性', 'K', '漢字')"));
        std::setlocale(LC_CTYPE, "C");
        platform::ScriptedToolkitScope scope;
        database.configureWorkArea();
        openDatabase();
        QCOMPARE(QString::fromLatin1(nl_langinfo(CODESET)), QStringLiteral("UTF-8"));
        const std::unique_ptr<db::ResultSet> rs =
            openReadOnly(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '属性' AND 区分ｺｰﾄﾞ= 'K'"));
        QCOMPARE(rs->columnValue(QStringLiteral("区分名称")).toString(), QStringLiteral("漢字"));
    }

    void closingRollsBackAndOrphansOpenResultSets() {
        TestDatabase database;
        REQUIRE_TEST_DATABASE(database);
        database.run(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '発注日', 'Y', 8, 0)"));
        platform::ScriptedToolkitScope scope;
        database.configureWorkArea();
        openDatabase();
        const std::unique_ptr<db::ResultSet> rs = openReadOnly(QStringLiteral("SELECT * FROM FL1901項目情報マスタ"));
        beginTransaction();
        executeSql(QStringLiteral("DELETE FROM FL1901項目情報マスタ"));
        closeDatabase();
        // The set outlives its connection: a clear failure, no crash.
        QVERIFY_THROWS_EXCEPTION(db::Error, rs->columnValue(QStringLiteral("項目No")));
        rs->closeResultSet();
        QCOMPARE(database.queryValue(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ")).toInt(), 1);
    }
};

QTEST_MAIN(TestDbConnection)
#include "test_db_connection.moc"
