// What the program finds in the database: its three tables with their columns, Japanese text that
// comes back as it went, and the item list read by the program's own statement.
#include "check_context.h"

#include "db/db.h"
#include "itemmaster/item_statements.h"

#include <QElapsedTimer>

namespace check {

namespace {

struct Table {
    const char* name;
    QStringList columns;
};

// As schema/sqlite.sql and schema/postgresql.sql make them.
const QList<Table>& tables() {
    static const QList<Table> list = {
        {"FL1901項目情報マスタ", {"項目No", "データ項目名", "属性", "長さ", "小数部長さ"}},
        {"区分マスタ", {"区分", "区分コード", "区分名称", "区分ｺｰﾄﾞ"}},
        {"FL0003担当者マスタ", {"担当者コード", "担当者氏名", "IME起動モード", "権限レベル", "パスワード"}},
    };
    return list;
}

}  // namespace

// PostgreSQL's catalogue answers without a privilege on the table and finds it by the search path,
// as the program's unqualified statements do.
QStringList columnsOf(db::Connection& connection, const QString& table) {
    const QString sql = connection.engine() == db::Engine::PostgreSQL
                            ? QStringLiteral(
                                  "SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = to_regclass('%1') "
                                  "AND attnum > 0 AND NOT attisdropped")
                                  .arg(quoteSql(table))
                            // table_xinfo also lists generated columns (区分ｺｰﾄﾞ).
                            : QStringLiteral("SELECT name FROM pragma_table_xinfo('%1')").arg(quoteSql(table));
    QStringList names;
    for (const QStringList& row : queryRows(connection, sql))
        names.append(db::foldAscii(row.value(0)));
    return names;
}

namespace {

// Characters that code pages and drivers are known to lose or change: a full-width space,
// half-width kana, a circled digit and an IBM extension of code page 932, the full-width tilde.
const QString japaneseSample = QStringLiteral("項目情報マスタ　ｺｰﾄﾞ①～髙");

QString codePoints(const QString& text) {
    QStringList points;
    for (const char32_t c : text.toUcs4())
        points.append(QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper());
    return points.join(QLatin1Char(' '));
}

// A value handed over as a bound parameter, as the program's saves hand theirs, read back wide.
QString boundRoundTrip(db::Connection& connection, const QString& text) {
    db::Statement statement(connection);
    const QString sql = QStringLiteral("SELECT CAST(? AS VARCHAR(100))");
    statement.execWithParameters(sql, {QVariant(text)}, {SQL_WVARCHAR});
    const SQLHSTMT h = statement.handle();
    db::check(SQLFetch(h), SQL_HANDLE_STMT, h, QStringLiteral("fetch"), sql);
    SQLWCHAR buffer[256] = {};
    SQLLEN indicator = 0;
    db::check(SQLGetData(h, 1, SQL_C_WCHAR, buffer, sizeof buffer, &indicator), SQL_HANDLE_STMT, h,
              QStringLiteral("read"), sql);
    return indicator == SQL_NULL_DATA ? QString() : db::fromTerminated(buffer, 256);
}

}  // namespace

QList<QStringList> queryRows(db::Connection& connection, const QString& sql) {
    QList<QStringList> rows;
    db::readAllRows(
        connection, sql, [&](const db::RowBlock&) { rows.clear(); },
        [&](const db::RowBlock& block) {
            for (int i = 0; i < block.rowCount(); ++i) {
                QStringList row;
                for (int col = 0; col < block.columnCount(); ++col) {
                    if (block.isNull(i, col))
                        row.append(QString());
                    else if (block.type(col) == db::RowBlock::Type::Integer && block.isWhole(i, col))
                        row.append(QString::number(block.integer(i, col)));
                    else if (block.type(col) == db::RowBlock::Type::Real)
                        row.append(QString::number(block.real(i, col)));
                    else
                        row.append(block.text(i, col).toString());
                }
                rows.append(row);
            }
        });
    return rows;
}

void checkTables(Context& c, Result& r) {
    if (!c.connection) {
        skip(r, QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    QStringList problems, found;
    try {
        for (const Table& t : tables()) {
            const QString table = QString::fromUtf8(t.name);
            const QStringList columns = columnsOf(*c.connection, table);
            if (columns.isEmpty()) {
                problems.append(QStringLiteral("%1 がありません").arg(table));
                continue;
            }
            QStringList missing;
            for (const QString& column : t.columns)
                if (!columns.contains(db::foldAscii(column))) missing.append(column);
            if (!missing.isEmpty())
                problems.append(
                    QStringLiteral("%1 に列 %2 がありません").arg(table, missing.join(QStringLiteral(", "))));
            else
                found.append(table);
        }
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("表を調べられません: %1").arg(QString::fromUtf8(e.what())),
             QStringLiteral("メッセージの原因を取り除いてください"));
        return;
    }
    if (!problems.isEmpty()) {
        const bool postgres = c.engine == db::Engine::PostgreSQL;
        fail(r, problems.join(QStringLiteral("。")),
             QStringLiteral("表を schema/%1 のとおりに作ってください")
                     .arg(postgres ? QStringLiteral("postgresql.sql") : QStringLiteral("sqlite.sql")) +
                 (postgres ? QStringLiteral("。表があるなら、このロールの search_path にあるスキーマか、USAGE "
                                            "権限があるか確かめてください")
                           : QStringLiteral("。odbc.ini の Database= が正しいファイルか確かめてください")));
        return;
    }
    c.tablesPresent = true;
    r.detail = QStringLiteral("%1 とその列がそろっています").arg(found.join(QStringLiteral("、")));
}

void checkJapaneseText(Context& c, Result& r) {
    if (!c.connection) {
        skip(r, QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    try {
        // A text in the statement, as the program's reads carry theirs, and a bound value.
        const QList<QStringList> rows =
            queryRows(*c.connection, QStringLiteral("SELECT '%1' AS 確認").arg(quoteSql(japaneseSample)));
        const QString literal = rows.value(0).value(0);
        const QString bound = boundRoundTrip(*c.connection, japaneseSample);
        QString encoding;
        if (c.engine == db::Engine::PostgreSQL)
            encoding = QStringLiteral(" (サーバーの文字コード %1)")
                           .arg(queryRows(*c.connection, QStringLiteral("SHOW server_encoding")).value(0).value(0));
        QStringList changed;
        if (literal != japaneseSample)
            changed.append(QStringLiteral("文の中の文字列が「%1」(%2) に").arg(literal, codePoints(literal)));
        if (bound != japaneseSample)
            changed.append(QStringLiteral("パラメータが「%1」(%2) に").arg(bound, codePoints(bound)));
        if (!changed.isEmpty()) {
            fail(r,
                 QStringLiteral("「%1」(%2) を送ると、").arg(japaneseSample, codePoints(japaneseSample)) +
                     changed.join(QStringLiteral("、")) + QStringLiteral("変わって戻りました") + encoding,
                 QStringLiteral(
                     "データベースを UTF-8 で作り (createdb -E UTF8 -T template0)、odbc.ini で Unicode のドライバ "
                     "(PostgreSQL Unicode、psqlodbcw.so) を使ってください。UTF-8 のロケール (C.UTF-8 など) "
                     "があるかも確かめてください"));
            return;
        }
        r.detail = QStringLiteral("「%1」が文の中でもパラメータでもそのまま戻りました").arg(japaneseSample) + encoding;
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("日本語の文字列を送れません: %1").arg(QString::fromUtf8(e.what())),
             QStringLiteral("データベースとクライアントの文字コードを UTF-8 にしてください"));
    }
}

void checkItemList(Context& c, Result& r) {
    if (!c.tablesPresent) {
        skip(r, c.connection ? QStringLiteral("表か列が足りないため")
                             : QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    try {
        const qint64 rows = db::readAllRows(
            *c.connection, itemListSql(), [](const db::RowBlock&) {}, [](const db::RowBlock&) {});
        r.rows = rows;
        r.detail = QStringLiteral("R205730 の一覧の文が動きました: %1 件、%2 ms").arg(rows).arg(timer.elapsed());
    } catch (const db::Error& e) {
        fail(r,
             QStringLiteral("一覧の文が失敗しました (%1 ms): %2").arg(timer.elapsed()).arg(QString::fromUtf8(e.what())),
             db::causeOf(e.sqlState, e.nativeCode, c.engine) == db::Cause::Busy
                 ? QStringLiteral(
                       "ほかの端末かプログラムがデータベースを使用中です。しばらくしてからもう一度確かめてください")
                 : QStringLiteral("メッセージの原因を取り除いてください (表の定義が schema/ と同じか)"));
    }
}

}  // namespace check
