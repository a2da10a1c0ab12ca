// The privileges the program needs. PostgreSQL is asked through its privilege functions, never by
// writing: a write could wait behind an operator's lock. A SQLite file has no privileges of its
// own: the file, its folder and its journal files must be writable by the operators.
#include "check_context.h"

#include "db/db.h"
#include "operator_access.h"

#include <QFileInfo>
#include <QMap>

#include <cstring>
#include <unistd.h>

namespace check {

namespace {

struct Grant {
    const char* table;
    const char* privilege;
};
constexpr Grant needed[] = {
    {"FL1901項目情報マスタ", "SELECT"}, {"FL1901項目情報マスタ", "INSERT"}, {"FL1901項目情報マスタ", "UPDATE"},
    {"FL1901項目情報マスタ", "DELETE"}, {"区分マスタ", "SELECT"},           {"FL0003担当者マスタ", "SELECT"},
    {"FL0003担当者マスタ", "UPDATE"},
};

void checkPostgresPrivileges(Context& c, Result& r) {
    QStringList values;
    for (const Grant& g : needed)
        values.append(
            QStringLiteral("('%1', '%2')").arg(quoteSql(QString::fromUtf8(g.table)), QString::fromLatin1(g.privilege)));
    const QString sql = QStringLiteral(
                            "SELECT current_user::text, v.t, v.p FROM (VALUES %1) AS v(t, p) "
                            "WHERE NOT has_table_privilege(v.t, v.p) UNION ALL SELECT current_user::text, NULL, NULL")
                            .arg(values.join(QStringLiteral(", ")));
    const QList<QStringList> rows = queryRows(*c.connection, sql);
    QString role;
    QMap<QString, QStringList> missing;  // table -> the privileges it lacks
    for (const QStringList& row : rows) {
        role = row.value(0);
        if (!row.value(1).isNull()) missing[row.value(1)].append(row.value(2));
    }
    if (missing.isEmpty()) {
        QStringList granted;
        QString table;
        for (const Grant& g : needed) {
            if (QString::fromUtf8(g.table) != table) {
                table = QString::fromUtf8(g.table);
                granted.append(table + QLatin1Char(' '));
            } else {
                granted.last() += QLatin1Char(',');
            }
            granted.last() += QString::fromLatin1(g.privilege);
        }
        r.detail = QStringLiteral("ロール %1 に必要な権限があります: %2").arg(role, granted.join(QStringLiteral("、")));
        return;
    }
    QStringList lacking, grants;
    for (auto it = missing.begin(); it != missing.end(); ++it) {
        lacking.append(QStringLiteral("%1 の %2").arg(it.key(), it.value().join(QStringLiteral(", "))));
        grants.append(
            QStringLiteral("GRANT %1 ON %2 TO %3;").arg(it.value().join(QStringLiteral(", ")), it.key(), role));
    }
    fail(r, QStringLiteral("ロール %1 に権限がありません: %2").arg(role, lacking.join(QStringLiteral("、"))),
         QStringLiteral("表の所有者か管理者で実行してください: ") + grants.join(QLatin1Char(' ')));
}

QString refusal(const PathAccess& p) {
    if (p.error == unanswered) return QStringLiteral("確かめられません");
    return QString::fromLocal8Bit(std::strerror(p.error));
}

void checkSqliteFiles(Context& c, Result& r) {
    QString problem;
    const auto identity = operatorIdentity(c.options.operatorUser, problem);
    if (!identity) {
        fail(r, problem, QStringLiteral("--user を外すか、root で実行してください"));
        return;
    }
    QString file = c.connection->databaseFile();
    if (file.isEmpty()) file = c.sqliteFile;
    file = QFileInfo(file).absoluteFilePath();
    const QString folder = QFileInfo(file).absolutePath();
    // The journal or write-ahead files are made in the folder; ones already there must be writable.
    QList<PathAccess> paths = {{file, R_OK | W_OK}, {folder, W_OK | X_OK}};
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(file + QLatin1String(suffix))) paths.append({file + QLatin1String(suffix), R_OK | W_OK});
    askAccess(*identity, paths);
    QStringList refused;
    for (const PathAccess& p : paths)
        if (p.error != 0) refused.append(QStringLiteral("%1 (%2)").arg(p.path, refusal(p)));
    if (!refused.isEmpty()) {
        fail(r,
             QStringLiteral("%1 は書き込めません: %2").arg(identity->description, refused.join(QStringLiteral("、"))),
             QStringLiteral("データベースファイルとそのフォルダを操作者全員が読み書きできるようにしてください。例: "
                            "chgrp r205730 %1 %2 && chmod g+rw %1 && chmod g+rwx %2 "
                            "(読み取り専用のマウントなら書き込めるマウントに)")
                 .arg(file, folder));
        return;
    }
    r.detail =
        QStringLiteral("%1 はデータベース %2 とフォルダ %3 に書き込めます").arg(identity->description, file, folder);
}

}  // namespace

void checkPrivileges(Context& c, Result& r) {
    if (!c.tablesPresent) {
        skip(r, c.connection ? QStringLiteral("表か列が足りないため")
                             : QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    try {
        if (c.engine == db::Engine::PostgreSQL)
            checkPostgresPrivileges(c, r);
        else if (c.engine == db::Engine::SQLite)
            checkSqliteFiles(c, r);
        else
            skip(r, QStringLiteral("%1 の権限は確かめられないため").arg(c.connection->dbmsName));
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("権限を調べられません: %1").arg(QString::fromUtf8(e.what())),
             QStringLiteral("メッセージの原因を取り除いてください"));
    }
}

}  // namespace check
