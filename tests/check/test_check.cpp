// r205730-check run as the administrator runs it, through the real driver manager and drivers:
// a good site passes every check and is left exactly as it was; each broken site gives its own
// NG line naming the cause, and the checks that depend on it are skipped, never passed.
#include "fault_harness.h"
#include "platform/cp932.h"
#include "test_database.h"
#include "test_site.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString checkProgram = QStringLiteral(R205730_CHECK_PROGRAM);
const QStringList checkNames = {"settings",  "data_source",        "login",
                                "tables",    "privileges",         "japanese_text",
                                "item_list", "history", "lock_and_keepalive", "settings_permissions"};

struct CheckRun {
    int exitCode = -1;
    QString output;
    QJsonObject json;

    QJsonObject check(const QString& name) const {
        for (const QJsonValue& v : json.value(QStringLiteral("checks")).toArray())
            if (v.toObject().value(QStringLiteral("name")).toString() == name) return v.toObject();
        return {};
    }
    QString status(const QString& name) const { return check(name).value(QStringLiteral("status")).toString(); }
    QString detail(const QString& name) const { return check(name).value(QStringLiteral("detail")).toString(); }
    QString remedy(const QString& name) const { return check(name).value(QStringLiteral("remedy")).toString(); }
    // The checks with this status ("ok", "ng", "skipped"), in their order.
    QStringList withStatus(const QString& status) const {
        QStringList names;
        for (const QString& name : checkNames)
            if (this->status(name) == status) names.append(name);
        return names;
    }
};

CheckRun runCheck(const QStringList& arguments, const QString& executable = checkProgram) {
    QProcess process;
    process.start(executable, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    CheckRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    if (arguments.contains(QStringLiteral("--json"))) run.json = QJsonDocument::fromJson(run.output.toUtf8()).object();
    return run;
}

void setMode(const QString& path, mode_t mode) {
    if (::chmod(QFile::encodeName(path).constData(), mode) != 0) qFatal("chmod %s failed", qPrintable(path));
}

// Everything about a SQLite file and its folder that a write would change.
QString fileState(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("(unreadable)");
    struct stat st {};
    ::stat(QFile::encodeName(file).constData(), &st);
    return QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()) +
           QStringLiteral(" mtime %1.%2 ").arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec) +
           QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files).join(QLatin1Char(','));
}

// A site an operator could work on: the sample data, EDI.ini readable by its group only, and on
// SQLite write-ahead logging with the file and its folder writable by every operator (as the
// check asks for them when run as root: an unprivileged user).
class CheckSite {
public:
    TestDatabase database;
    TestSite site;

    void prepare(const QMap<QString, QString>& overrides = {}) {
        database.loadSampleData();
        if (!database.isPostgres()) {
            setMode(TestDatabase::folder(), 0755);
            setMode(TestDatabase::folder() + QStringLiteral("/data"), 0777);
            setMode(database.databaseName(), 0666);  // SQLite gives its -wal and -shm the same mode
            database.run(QStringLiteral("PRAGMA journal_mode = WAL"));
            database.reconnectOwn();
        }
        writeIni(overrides);
    }

    void writeIni(const QMap<QString, QString>& overrides = {}, mode_t mode = 0640) {
        QMap<QString, QString> keys = database.iniLogin();
        for (auto it = overrides.begin(); it != overrides.end(); ++it)
            keys.insert(it.key(), it.value());
        site.writeIni(standardIni(database.dataSource(), keys));
        setMode(site.iniPath(), mode);
    }

    CheckRun check(const QStringList& extra = {}) {
        return runCheck(QStringList{QStringLiteral("--json"), QStringLiteral("--ini"), site.iniPath()} + extra);
    }

    // What the tables hold, as another workstation reads them.
    QList<QStringList> tables() {
        return database.queryRows(QStringLiteral("SELECT * FROM FL1901項目情報マスタ ORDER BY 項目No")) +
               database.queryRows(QStringLiteral("SELECT * FROM 区分マスタ ORDER BY 区分, 区分コード")) +
               database.queryRows(QStringLiteral("SELECT * FROM FL0003担当者マスタ ORDER BY 担当者コード"));
    }
};

bool onSqlite() { return TestDatabase::engineFromEnvironment() == TestDatabase::Engine::SQLite; }

// A login role on the suite's PostgreSQL server, made by its superuser through the server's own
// socket, with the given grants on the test database; dropped again with its privileges.
class PgRole {
public:
    PgRole(const QString& database, const QString& grants) : database_(database) {
        name_ = QStringLiteral("edi_check_%1").arg(QCoreApplication::applicationPid());
        password_ = QString::number(QRandomGenerator::system()->generate64(), 16);
        psql(QStringLiteral("CREATE ROLE :\"name\" LOGIN PASSWORD :'password';\n") + grants);
    }
    ~PgRole() {
        try {
            psql(QStringLiteral("DROP OWNED BY :\"name\";\nDROP ROLE :\"name\";"));
        } catch (const std::exception& e) {
            qWarning("cannot drop role %s: %s", qPrintable(name_), e.what());
        }
    }
    QString name() const { return name_; }
    QString password() const { return password_; }

private:
    void psql(const QString& sql) {
        faults::pgShell(QStringLiteral(R"sh(cd /
pg_as_owner "$(pg_bindir)/psql" -X -q -v ON_ERROR_STOP=1 -h "$R205730_PG_DIR" -p "$R205730_PG_PORT" -U postgres -d %1 -v name=%2 -v password=%3 >/dev/null <<'SQL'
%4
SQL
)sh")
                            .arg(database_, name_, password_, sql));
    }
    QString database_;
    QString name_;
    QString password_;
};

}  // namespace

class TestCheck : public QObject {
    Q_OBJECT

private slots:
    // Every check OK, exit status 0; the text and the JSON agree line by line; no password shown;
    // the database is exactly as it was (on SQLite its file, byte for byte, and its folder).
    void aGoodSitePassesEveryCheckAndIsLeftAsItWas() {
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        const QList<QStringList> tablesBefore = s.tables();
        // Reading the file closes every POSIX lock this process holds on it, the open connection's
        // too (which would let the check's connection take the file for its own at the end).
        s.database.reconnectOwn();
        const QString fileBefore = s.database.isPostgres() ? QString() : fileState(s.database.databaseName());

        const CheckRun text = runCheck({QStringLiteral("--ini"), s.site.iniPath()});
        const CheckRun json = s.check();
        // Read before the test's own connection opens the file again.
        const QString fileAfter = s.database.isPostgres() ? QString() : fileState(s.database.databaseName());
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(json.exitCode, 0);
        QVERIFY2(json.json.value(QStringLiteral("ok")).toBool(), qPrintable(json.output));
        QCOMPARE(json.withStatus(QStringLiteral("ok")), checkNames);
        QCOMPARE(json.json.value(QStringLiteral("checks")).toArray().size(), checkNames.size());
        QCOMPARE(json.check(QStringLiteral("item_list")).value(QStringLiteral("rows")).toInteger(),
                 s.database.queryValue(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ")).toLongLong());

        // The two runs took their own times.
        const auto untimed = [](QString line) {
            return line.replace(QRegularExpression(QStringLiteral("\\d+ ms")), QStringLiteral("N ms"));
        };
        const QStringList lines = text.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), checkNames.size() + 1);
        for (qsizetype i = 0; i < checkNames.size(); ++i) {
            const QJsonObject c = json.check(checkNames[i]);
            QCOMPARE(untimed(lines[i]), untimed(QStringLiteral("OK   %1: %2")
                                                    .arg(c.value(QStringLiteral("title")).toString(),
                                                         c.value(QStringLiteral("detail")).toString())));
        }
        QCOMPARE(lines.last(), QStringLiteral("結果: すべて OK (10 件)"));
        QVERIFY(!text.output.contains(s.database.password()));
        QVERIFY(!json.output.contains(s.database.password()));

        QCOMPARE(fileAfter, fileBefore);
        QCOMPARE(s.tables(), tablesBefore);
    }

    void aDataSourceNoOdbcIniHasIsNamedWithWhereItWasLookedFor() {
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare({{QStringLiteral("動作環境/DBSTRING"), QStringLiteral("EDI_NO_SUCH")}});
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("data_source")});
        QCOMPARE(run.withStatus(QStringLiteral("skipped")), checkNames.mid(2, 7));
        const QString detail = run.detail(QStringLiteral("data_source"));
        QVERIFY2(detail.contains(QStringLiteral("EDI_NO_SUCH")), qPrintable(detail));
        QVERIFY2(detail.contains(TestDatabase::odbcFolder() + QStringLiteral("/odbc.ini")), qPrintable(detail));
        QVERIFY2(detail.contains(s.database.dataSource()), qPrintable(detail));  // the ones there are
        QVERIFY(!run.remedy(QStringLiteral("data_source")).isEmpty());
    }

    void aDriverFileThatIsNotThereIsNamed() {
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        const QString gone = QStringLiteral("/nonexistent/odbc/libgone.so");
        s.database.addDataSource(QStringLiteral("EDI_NO_DRIVER"), {{QStringLiteral("Driver"), gone}});
        s.prepare({{QStringLiteral("動作環境/DBSTRING"), QStringLiteral("EDI_NO_DRIVER")}});
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("data_source")});
        QCOMPARE(run.status(QStringLiteral("login")), QStringLiteral("skipped"));
        QVERIFY2(run.detail(QStringLiteral("data_source")).contains(gone), qPrintable(run.output));
    }

    // The table is named; what needs it is skipped, what does not still runs.
    void aMissingTableIsNamedAndTheChecksThatNeedItAreSkipped() {
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        s.database.run(QStringLiteral("DROP TABLE 区分マスタ"));
        s.database.reconnectOwn();
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("tables")});
        QCOMPARE(run.withStatus(QStringLiteral("skipped")),
                 (QStringList{QStringLiteral("privileges"), QStringLiteral("item_list")}));
        QVERIFY2(run.detail(QStringLiteral("tables")).contains(QStringLiteral("区分マスタ がありません")),
                 qPrintable(run.output));
    }

    // As root every file is writable: the check asks as an operator would, an unprivileged user.
    void aReadOnlySqliteFileFailsThePrivilegeCheck() {
        if (!onSqlite()) QSKIP("a SQLite file only");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        setMode(s.database.databaseName(), 0444);
        const CheckRun run = s.check();
        setMode(s.database.databaseName(), 0666);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("privileges")});
        QVERIFY2(run.detail(QStringLiteral("privileges")).contains(s.database.databaseName() + QStringLiteral(" (")),
                 qPrintable(run.output));
    }

    // A broken settings file does not stop the checks that can still run on what was read.
    void aSettingsFileMissingAKeyAndReadableByAllIsToldTwice() {
        if (!onSqlite()) QSKIP("the settings file, checked once");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        s.writeIni({{QStringLiteral("Setting0/LabelFontSize"), QString()}}, 0644);
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")),
                 (QStringList{QStringLiteral("settings"), QStringLiteral("settings_permissions")}));
        QVERIFY2(run.detail(QStringLiteral("settings")).contains(QStringLiteral("[Setting0] LabelFontSize")),
                 qPrintable(run.output));
        QVERIFY2(run.detail(QStringLiteral("settings_permissions")).contains(QStringLiteral("0644")),
                 qPrintable(run.output));
    }

    // The README's bounds on waiting: a lock held elsewhere, and on PostgreSQL a silent line.
    void aDataSourceWithoutTheRecommendedWaitsIsToldWhatToAdd() {
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        const QString empty = QStringLiteral("");
        s.database.addDataSource(QStringLiteral("EDI_NO_WAITS"),
                                 s.database.isPostgres()
                                     ? QMap<QString, QString>{{QStringLiteral("ConnSettings"), empty},
                                                              {QStringLiteral("KeepaliveTime"), empty}}
                                     : QMap<QString, QString>{{QStringLiteral("Timeout"), empty}});
        s.prepare({{QStringLiteral("動作環境/DBSTRING"), QStringLiteral("EDI_NO_WAITS")}});
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("lock_and_keepalive")});
        const QString detail = run.detail(QStringLiteral("lock_and_keepalive"));
        const QString remedy = run.remedy(QStringLiteral("lock_and_keepalive"));
        if (s.database.isPostgres()) {
            QVERIFY2(detail.contains(QStringLiteral("lock_timeout が 0")) &&
                         detail.contains(QStringLiteral("KeepaliveTime=")),
                     qPrintable(detail));
            QVERIFY2(remedy.contains(QStringLiteral("ConnSettings=SET lock_timeout = 10000")) &&
                         remedy.contains(QStringLiteral("KeepaliveTime=10")),
                     qPrintable(remedy));
        } else {
            QVERIFY2(detail.contains(QStringLiteral("Timeout= がありません")), qPrintable(detail));
            QVERIFY2(remedy.contains(QStringLiteral("Timeout=5000")), qPrintable(remedy));
        }
    }

    // A hand-written file in code page 932, Japanese section names and all, reads as the program reads it.
    void aSettingsFileInCodePage932IsRead() {
        if (!onSqlite()) QSKIP("the settings file, read once");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        s.site.writeIni(
            platform::toCp932(QString::fromUtf8(standardIni(s.database.dataSource(), s.database.iniLogin()))));
        const CheckRun run = s.check();
        QCOMPARE(run.status(QStringLiteral("settings")), QStringLiteral("ok"));
        QVERIFY2(run.detail(QStringLiteral("settings")).contains(QStringLiteral("(CP932)")), qPrintable(run.output));
        QCOMPARE(run.exitCode, 0);
    }

    // Without --ini the check reads the file the program reads: two folder levels above its own
    // folder, found through a link as /usr/bin/r205730-check is one.
    void withoutIniItReadsTheProgramsSettingsThroughALink() {
        if (!onSqlite()) QSKIP("the settings file, located once");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.prepare();
        const QString installed = s.site.programFolder() + QStringLiteral("/r205730-check");
        QVERIFY(QFile::copy(checkProgram, installed));
        QTemporaryDir bin;
        const QString link = bin.path() + QStringLiteral("/r205730-check");
        QVERIFY(QFile::link(installed, link));
        const CheckRun run = runCheck({QStringLiteral("--json")}, link);
        QCOMPARE(run.json.value(QStringLiteral("settings_file")).toString(), s.site.iniPath());
        QCOMPARE(run.withStatus(QStringLiteral("ok")), checkNames);
        QCOMPARE(run.exitCode, 0);
    }

    void aWrongPasswordFailsTheLoginAndIsNeverShown() {
        if (onSqlite()) QSKIP("a PostgreSQL login only");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        const QString wrong = QStringLiteral("wrong-%1").arg(QRandomGenerator::system()->generate(), 0, 16);
        s.prepare({{QStringLiteral("動作環境/PASSWD"), wrong}});
        const CheckRun json = s.check();
        const CheckRun text = runCheck({QStringLiteral("--ini"), s.site.iniPath()});
        QCOMPARE(json.exitCode, 1);
        QCOMPARE(json.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("login")});
        QCOMPARE(json.withStatus(QStringLiteral("skipped")), checkNames.mid(3, 6));
        QVERIFY2(json.remedy(QStringLiteral("login")).contains(QStringLiteral("PASSWD=")), qPrintable(json.output));
        for (const QString& output : {json.output, text.output}) {
            QVERIFY(!output.contains(wrong));
            QVERIFY(!output.contains(s.database.password()));
        }
    }

    // has_table_privilege finds the missing grant without writing; the remedy is the statement.
    void aRoleWithoutUpdateOnTheItemTableIsToldWhatToGrant() {
        if (onSqlite()) QSKIP("PostgreSQL privileges only");
        if (qEnvironmentVariable("R205730_PG_DIR").isEmpty())
            QSKIP("the suite's PostgreSQL server (scripts/lib/pg.sh pg_start) is not running");
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.database.loadSampleData();
        const PgRole role(s.database.databaseName(), QStringLiteral(R"(
GRANT SELECT, INSERT, DELETE ON FL1901項目情報マスタ TO :"name";
GRANT SELECT ON 区分マスタ TO :"name";
GRANT SELECT, UPDATE ON FL0003担当者マスタ TO :"name";
GRANT SELECT, INSERT ON FL1901項目情報マスタ履歴 TO :"name";)"));
        s.writeIni(
            {{QStringLiteral("動作環境/USERID"), role.name()}, {QStringLiteral("動作環境/PASSWD"), role.password()}});
        const QList<QStringList> before = s.tables();
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.withStatus(QStringLiteral("ng")), QStringList{QStringLiteral("privileges")});
        QVERIFY2(run.detail(QStringLiteral("privileges")).contains(QStringLiteral("FL1901項目情報マスタ の UPDATE")),
                 qPrintable(run.output));
        QCOMPARE(run.remedy(QStringLiteral("privileges")).section(QStringLiteral(": "), 1),
                 QStringLiteral("GRANT UPDATE ON FL1901項目情報マスタ TO %1;").arg(role.name()));
        QCOMPARE(s.tables(), before);
    }

    // The history is no fault where its table is not there; where it is, a role that cannot add
    // rows to it would have every save and delete refused.
    void theHistoryIsToldWhereItIsMissingAndFailsWhereItCannotBeWritten() {
        {
            CheckSite s;
            REQUIRE_TEST_DATABASE(s.database);
            s.prepare();
            s.database.run(QStringLiteral("DROP TABLE FL1901項目情報マスタ履歴"));
            s.database.reconnectOwn();
            const CheckRun run = s.check();
            QCOMPARE(run.exitCode, 0);
            QVERIFY2(run.detail(QStringLiteral("history")).contains(QStringLiteral("FL1901項目情報マスタ履歴 はありません")),
                     qPrintable(run.output));
        }
        if (onSqlite() || qEnvironmentVariable("R205730_PG_DIR").isEmpty()) return;
        CheckSite s;
        REQUIRE_TEST_DATABASE(s.database);
        s.database.loadSampleData();
        const PgRole role(s.database.databaseName(), QStringLiteral(R"(
GRANT SELECT, INSERT, UPDATE, DELETE ON FL1901項目情報マスタ TO :"name";
GRANT SELECT ON 区分マスタ TO :"name";
GRANT SELECT, UPDATE ON FL0003担当者マスタ TO :"name";
GRANT SELECT ON FL1901項目情報マスタ履歴 TO :"name";)"));
        s.writeIni(
            {{QStringLiteral("動作環境/USERID"), role.name()}, {QStringLiteral("動作環境/PASSWD"), role.password()}});
        const CheckRun run = s.check();
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.withStatus(QStringLiteral("ng")) == QStringList{QStringLiteral("history")}, qPrintable(run.output));
        QCOMPARE(run.remedy(QStringLiteral("history")).section(QStringLiteral(": "), 1),
                 QStringLiteral("GRANT INSERT ON FL1901項目情報マスタ履歴 TO %1;").arg(role.name()));
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
