#include "itemmaster/item_statements.h"

#include "db/db.h"

#include <QRegularExpression>

QString sqlItemNumber(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^ *[+-]?[0-9]+ *$"));
    if (!whole.match(text).hasMatch())
        throw db::Error(QStringLiteral("22018"), 0, QStringLiteral("item number \"%1\" is not a number").arg(text));
    return text;
}

// Each statement is written out whole, as the database receives it; %1 stands for a value that
// has been checked (an item number) or quoted (a text).

QString itemListSql() {
    return QStringLiteral(
               R"(SELECT  FL1901項目情報マスタ.項目No, FL1901項目情報マスタ.データ項目名, FL1901項目情報マスタ.属性, 区分マスタ.区分名称 AS 属性名, FL1901項目情報マスタ.長さ, FL1901項目情報マスタ.小数部長さ FROM (FL1901項目情報マスタ LEFT JOIN 区分マスタ  ON (区分マスタ.区分コード = FL1901項目情報マスタ.属性  AND 区分マスタ.区分 = '%1' )) Order By FL1901項目情報マスタ.項目No)")
        .arg(quoteSql(QStringLiteral("属性")));
}

QString rowToWriteSql(const QString& itemNumber) {
    return QStringLiteral(R"(SELECT * FROM FL1901項目情報マスタ WHERE 項目No=%1)").arg(sqlItemNumber(itemNumber));
}

QString deleteItemSql(const QString& itemNumber) {
    return QStringLiteral(R"(delete from FL1901項目情報マスタ Where 項目No=%1)").arg(sqlItemNumber(itemNumber));
}

QString searchItemSql(const QString& itemNumber) {
    return QStringLiteral(R"(SELECT  * FROM FL1901項目情報マスタ  WHERE 項目No = %1)").arg(sqlItemNumber(itemNumber));
}

QString duplicateItemSql(const QString& itemNumber) {
    return QStringLiteral(R"(SELECT  項目No FROM FL1901項目情報マスタ  WHERE 項目No = %1)").arg(sqlItemNumber(itemNumber));
}

// The history of FL1901項目情報マスタ, where the database keeps it.

QString historyProbeSql() {
    return QStringLiteral(R"(SELECT 履歴No FROM FL1901項目情報マスタ履歴 WHERE 1 = 0)");
}

QString historyWriterSql() {
    return QStringLiteral(R"(SELECT set_config('r205730.writer', 'R205730', true))");
}

QString historyInsertSql(const QString& values) {
    return QStringLiteral(
               R"(INSERT INTO FL1901項目情報マスタ履歴 (操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ, 変更前小数部長さ, 変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ, 担当者コード, 端末名, 記録元) VALUES (%1))")
        .arg(values);
}

QString historyOfItemSql(const QString& itemNumber) {
    return QStringLiteral(
               R"(SELECT 履歴No, 操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ, 変更前小数部長さ, 変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ, 担当者コード, 端末名, 記録元, CAST(記録日時 AS VARCHAR(30)) AS 記録日時 FROM FL1901項目情報マスタ履歴 WHERE 項目No = %1 OR 変更前項目No = %1 ORDER BY 履歴No DESC)")
        .arg(sqlItemNumber(itemNumber));
}
