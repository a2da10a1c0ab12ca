#include "history.h"

#include "floors.h"
#include "test_database.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

const QString historyTable = QStringLiteral("FL1901項目情報マスタ履歴");

}  // namespace

NoHistoryTwin::NoHistoryTwin(TestDatabase& database) : database_(database) {
    // Nothing of the bench's own may hold the database: a template must be idle.
    database.reconnectOwn();
    if (database.isPostgres()) {
        copy_ = database.databaseName() + QStringLiteral("_nh");
        ready_ = runInShell(database,
                            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE);\nCREATE DATABASE %1 TEMPLATE %2;\n")
                                .arg(copy_, database.databaseName()),
                            qEnvironmentVariable("R205730_PG_DATABASE"));
    } else {
        copy_ = database.databaseName() + QStringLiteral("-no-history");
        QFile::remove(copy_);
        ready_ = QFile::copy(database.databaseName(), copy_);
    }
    ready_ = ready_ && runInShell(database, QStringLiteral("DROP TABLE %1;\n").arg(historyTable), copy_);
    if (!ready_) {
        std::fprintf(stderr, "bench: no twin without the history\n");
        return;
    }
    QMap<QString, QString> keys{{QStringLiteral("Database"), copy_}};
    // The data source as scripts/site lays it out for a workstation, as the bench's own.
    if (!database.isPostgres()) keys.insert(QStringLiteral("StepAPI"), QStringLiteral("1"));
    database.addDataSource(dataSource(), keys);
}

NoHistoryTwin::~NoHistoryTwin() {
    if (copy_.isEmpty()) return;
    if (database_.isPostgres())
        runInShell(database_, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE);\n").arg(copy_),
                   qEnvironmentVariable("R205730_PG_DATABASE"));
    else
        QFile::remove(copy_);
}

bool fillHistory(const TestDatabase& database, long rows, int versions, int items, int key) {
    const bool pg = database.isPostgres();
    const long step = rows / versions;
    // Row i of the history: the item's version where i falls on a step, otherwise one of the other
    // items, scattered (7919 is prime), so that each item's versions lie far apart in the table.
    const QString numbers = pg ? QStringLiteral("generate_series(1, %1) AS n(i)").arg(rows) : QStringLiteral("n");
    const QString recorded = pg ? QStringLiteral("TIMESTAMP '2020-01-01' + i * INTERVAL '1 minute'")
                                : QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', '2020-01-01', '+' || i || ' minutes')");
    const QString insert =
        QStringLiteral(
            "INSERT INTO %1 (操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ, 変更前小数部長さ, "
            "変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ, 担当者コード, 端末名, 記録元, 記録日時)\n"
            "SELECT CASE WHEN added THEN '追加' ELSE '変更' END, item, CASE WHEN added THEN NULL ELSE item END,\n"
            "  CASE WHEN added THEN NULL ELSE 'データ項目' || item || '-' || (i - 1) END, CASE WHEN added THEN NULL ELSE 'X' END,\n"
            "  CASE WHEN added THEN NULL ELSE 1 + i % 40 END, CASE WHEN added THEN NULL ELSE 0 END,\n"
            "  'データ項目' || item || '-' || i, 'X', 1 + (i + 1) % 40, 0, '0001', 'WS' || (i % 20), 'R205730', %2\n"
            "FROM (SELECT i, i = %3 AS added,\n"
            "  CASE WHEN i % %3 = 0 AND i <= %4 THEN %5 WHEN other >= %5 THEN other + 1 ELSE other END AS item\n"
            "  FROM (SELECT i, 1 + CAST(i AS BIGINT) * 7919 % (%6 - 1) AS other FROM %7) AS o) AS h;\n")
            .arg(historyTable, recorded)
            .arg(step)
            .arg(step * versions)
            .arg(key)
            .arg(items)
            .arg(numbers);
    QString script;
    if (pg) {
        script = insert + QStringLiteral("VACUUM (ANALYZE) %1;\n").arg(historyTable);
    } else {
        // One transaction, the journal left out and the cache large: a test database, filled once.
        script = QStringLiteral("PRAGMA cache_size = -262144;\nPRAGMA journal_mode = OFF;\nPRAGMA synchronous = OFF;\nBEGIN;\n"
                                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)\n")
                     .arg(rows) +
                 insert + QStringLiteral("COMMIT;\nANALYZE;\n");
    }
    return runInShell(database, script);
}
