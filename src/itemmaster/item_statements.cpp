#include "itemmaster/item_statements.h"

#include "db/db.h"

#include <QRegularExpression>

QString sqlItemNumber(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^ *[+-]?[0-9]+ *$"));
    if (!whole.match(text).hasMatch())
        throw db::Error(QStringLiteral("22018"), 0, QStringLiteral("item number \"%1\" is not a number").arg(text));
    return text;
}

QString itemListSql() {
    return QStringLiteral("SELECT ") + QStringLiteral(" FL1901項目情報マスタ.項目No,") +
           QStringLiteral(" FL1901項目情報マスタ.データ項目名,") + QStringLiteral(" FL1901項目情報マスタ.属性,") +
           QStringLiteral(" 区分マスタ.区分名称 AS 属性名,") + QStringLiteral(" FL1901項目情報マスタ.長さ,") +
           QStringLiteral(" FL1901項目情報マスタ.小数部長さ") + QStringLiteral(" FROM (FL1901項目情報マスタ") +
           QStringLiteral(" LEFT JOIN 区分マスタ ") +
           QStringLiteral(" ON (区分マスタ.区分コード = FL1901項目情報マスタ.属性 ") +
           QStringLiteral(" AND 区分マスタ.区分 = '") + quoteSql(QStringLiteral("属性")) + QStringLiteral("' ))") +
           QStringLiteral(" Order By FL1901項目情報マスタ.項目No");
}

QString rowToWriteSql(const QString& itemNumber) {
    return QStringLiteral("SELECT *") + QStringLiteral(" FROM FL1901項目情報マスタ") + QStringLiteral(" WHERE 項目No=") +
           sqlItemNumber(itemNumber) + QString();
}

QString deleteItemSql(const QString& itemNumber) {
    return QStringLiteral("delete from FL1901項目情報マスタ") + QStringLiteral(" Where 項目No=") +
           sqlItemNumber(itemNumber) + QString();
}

QString searchItemSql(const QString& itemNumber) {
    return QStringLiteral("SELECT ") + QStringLiteral(" *") + QStringLiteral(" FROM FL1901項目情報マスタ ") +
           QStringLiteral(" WHERE 項目No = ") + sqlItemNumber(itemNumber) + QString();
}

QString duplicateItemSql(const QString& itemNumber) {
    return QStringLiteral("SELECT ") + QStringLiteral(" 項目No") + QStringLiteral(" FROM FL1901項目情報マスタ ") +
           QStringLiteral(" WHERE 項目No = ") + sqlItemNumber(itemNumber) + QString();
}
