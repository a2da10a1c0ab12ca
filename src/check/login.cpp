// The login of the settings file on the data source, as the program opens it, then made
// read-only for the checks that follow.
#include "check_context.h"

#include <QElapsedTimer>

namespace check {

namespace {

// What to do about a login that failed, from what the driver said.
QString loginRemedy(const Context& c, const db::Error& e) {
    const QString message = e.message.toLower();
    if (c.engine == db::Engine::SQLite)
        return QStringLiteral("データベースファイル %1 とそのフォルダを読めるか、壊れていないか確かめてください")
            .arg(c.sqliteFile);
    if (e.sqlState.startsWith(QLatin1String("28")) || message.contains(QLatin1String("password")) ||
        message.contains(QLatin1String("authentication")))
        return QStringLiteral(
            "EDI.ini の [動作環境] USERID= と PASSWD= を、データベースのロールとパスワードに合わせてください");
    if (message.contains(QLatin1String("does not exist")))
        return QStringLiteral(
            "odbc.ini の Database= と EDI.ini の USERID= が、サーバーにあるデータベースとロールか確かめてください");
    if (e.sqlState.startsWith(QLatin1String("08")) || e.sqlState == QLatin1String("HYT00"))
        return QStringLiteral(
                   "サーバー %1:%2 が動いているか、odbc.ini の Servername= と Port=、ネットワークとファイアウォール、"
                   "サーバーの pg_hba.conf を確かめてください")
            .arg(dataSourceKey(c, "Servername"), dataSourceKey(c, "Port"));
    return QStringLiteral("メッセージの原因を取り除いてください");
}

QString dbmsVersion(db::Connection& connection) {
    SQLWCHAR version[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(connection.handle(), SQL_DBMS_VER, version, sizeof version, &length)))
        return QString();
    return db::fromTerminated(version, 128);
}

}  // namespace

void checkLogin(Context& c, Result& r) {
    if (!c.dataSourceUsable) {
        skip(r, QStringLiteral("データソースかそのドライバが使えないため"));
        return;
    }
    // As openDatabase connects, but a SQLite file that went away meanwhile is not made afresh.
    QString connectString = db::connectStringFor(c.dataSource, c.userId, c.password);
    if (c.engine == db::Engine::SQLite) connectString += QStringLiteral("NoCreat=1;");
    const QString as = c.userId.isEmpty() ? QStringLiteral(" ") : QStringLiteral("利用者 %1 で").arg(c.userId);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<db::Connection> connection;
    qint64 ms = 0;
    try {
        c.environment = std::make_unique<db::Environment>(QString(), c.userId, c.password);
        connection = std::make_unique<db::Connection>(*c.environment);
        // A server that does not answer is told within the program's own reconnect bound.
        connection->open(connectString, db::reconnectLoginTimeout);
        ms = timer.elapsed();
    } catch (const db::Error& e) {
        fail(r,
             QStringLiteral("データソース %1 に%2接続できません (%3 ms): %4")
                 .arg(c.dataSource, as)
                 .arg(timer.elapsed())
                 .arg(QString::fromUtf8(e.what())),
             loginRemedy(c, e));
        return;
    }
    try {
        // Nothing the checks run may write: a write could also wait behind an operator's lock.
        db::Statement readOnly(*connection);
        readOnly.execDirect(connection->engine() == db::Engine::SQLite
                                ? QStringLiteral("PRAGMA query_only = 1")
                                : QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("接続しましたが、読み取り専用にできません: %1").arg(QString::fromUtf8(e.what())),
             QStringLiteral("データベースが %1 か確かめてください (SQLite 3.8 以降、PostgreSQL 12 以降)")
                 .arg(engineName(connection->engine())));
        return;
    }
    connection->queryTimeout = 60;
    c.engine = connection->engine();
    r.detail = QStringLiteral("データソース %1 に%2接続しました (%3 ms、%4 %5、ドライバ %6)")
                   .arg(c.dataSource, as)
                   .arg(ms)
                   .arg(connection->dbmsName, dbmsVersion(*connection), connection->driverName);
    c.connection = std::move(connection);
}

}  // namespace check
