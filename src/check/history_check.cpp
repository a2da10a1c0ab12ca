// The history of the item master: where its table is there, the program must be able to add rows
// to it and read them, or every save and delete is refused. Asked without writing, as the
// privileges are. A database without the table is no fault: the program keeps no history there.
#include "check_context.h"

#include "db/db.h"
#include "itemmaster/item_statements.h"

namespace check {

namespace {

const QString historyTable = QStringLiteral("FL1901項目情報マスタ履歴");

const QStringList historyColumns{
    QStringLiteral("履歴No"),           QStringLiteral("操作"),           QStringLiteral("項目No"),
    QStringLiteral("変更前項目No"),     QStringLiteral("変更前データ項目名"), QStringLiteral("変更前属性"),
    QStringLiteral("変更前長さ"),       QStringLiteral("変更前小数部長さ"), QStringLiteral("変更後データ項目名"),
    QStringLiteral("変更後属性"),       QStringLiteral("変更後長さ"),     QStringLiteral("変更後小数部長さ"),
    QStringLiteral("担当者コード"),     QStringLiteral("端末名"),         QStringLiteral("記録元"),
    QStringLiteral("記録日時")};

QString schemaFile(const Context& c) {
    return c.engine == db::Engine::PostgreSQL ? QStringLiteral("schema/history-postgresql.sql")
                                              : QStringLiteral("schema/history-sqlite.sql");
}

bool granted(Context& c, const QString& privilege) {
    return queryRows(*c.connection, QStringLiteral("SELECT has_table_privilege('%1', '%2')::text")
                                        .arg(quoteSql(historyTable), privilege))
               .value(0)
               .value(0) == QLatin1String("true");
}

}  // namespace

void checkHistory(Context& c, Result& r) {
    if (!c.connection) {
        skip(r, QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    try {
        const QStringList columns = columnsOf(*c.connection, historyTable);
        if (columns.isEmpty()) {
            r.detail = QStringLiteral("履歴の表 %1 はありません: 保存と削除の履歴は残りません (プログラムはそのまま動きます)。"
                                      "残すには %2 を一度実行してください")
                           .arg(historyTable, schemaFile(c));
            return;
        }
        QStringList missing;
        for (const QString& column : historyColumns)
            if (!columns.contains(db::foldAscii(column))) missing.append(column);
        if (!missing.isEmpty()) {
            fail(r, QStringLiteral("%1 に列 %2 がありません").arg(historyTable, missing.join(QStringLiteral(", "))),
                 QStringLiteral("%1 のとおりに作り直してください").arg(schemaFile(c)));
            return;
        }
        QString extra;
        if (c.engine == db::Engine::PostgreSQL) {
            QStringList lacking;
            for (const QString& p : {QStringLiteral("SELECT"), QStringLiteral("INSERT")})
                if (!granted(c, p)) lacking.append(p);
            const QString role = queryRows(*c.connection, QStringLiteral("SELECT current_user::text")).value(0).value(0);
            if (!lacking.isEmpty()) {
                fail(r,
                     QStringLiteral("ロール %1 は履歴に %2 できません: 保存と削除はすべて中止されます")
                         .arg(role, lacking.join(QStringLiteral(", "))),
                     QStringLiteral("表の所有者か管理者で実行してください: GRANT %1 ON %2 TO %3;")
                         .arg(lacking.join(QStringLiteral(", ")), historyTable, role));
                return;
            }
            if (granted(c, QStringLiteral("UPDATE")) || granted(c, QStringLiteral("DELETE")))
                extra += QStringLiteral("。ロール %1 は履歴を変更・削除もできます: 端末のロールには SELECT, INSERT だけを与えてください").arg(role);
            const bool trigger =
                queryRows(*c.connection, QStringLiteral("SELECT count(*)::text FROM pg_catalog.pg_trigger WHERE tgrelid = "
                                                        "to_regclass('FL1901項目情報マスタ') AND tgname = 'fl1901項目情報マスタ_履歴'"))
                    .value(0)
                    .value(0) != QLatin1String("0");
            extra += trigger ? QStringLiteral("。ほかのプログラムの書き込みもトリガーで記録されます")
                             : QStringLiteral("。ほかのプログラムの書き込みは記録されません (schema/history-trigger-postgresql.sql)");
        } else {
            extra = QStringLiteral("。行を加えられるかはデータベースファイルの権限 (「権限」の行) によります");
        }
        // The statement the history screen runs, for an item that has none.
        queryRows(*c.connection, historyOfItemSql(QStringLiteral("0")));
        r.detail = QStringLiteral("履歴の表 %1 があり、読めます").arg(historyTable) + extra;
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("履歴を読めません: %1").arg(QString::fromUtf8(e.what())),
             c.engine == db::Engine::PostgreSQL
                 ? QStringLiteral("GRANT SELECT, INSERT ON %1 TO 端末のロール; を実行してください").arg(historyTable)
                 : QStringLiteral("メッセージの原因を取り除いてください"));
    }
}

}  // namespace check
