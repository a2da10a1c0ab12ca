// Result sets, action statements and transactions on a fresh database per test, with a second
// connection (TestDatabase::run and queryValue) playing another workstation.
#include "db/db.h"
#include "odbc.h"
#include "scripted_toolkit.h"
#include "test_database.h"
#include "test_site.h"

#include <QTest>

namespace {
const QString itemTable = QStringLiteral("FL1901項目情報マスタ");

QString s2(int number) { return QStringLiteral("SELECT * FROM FL1901項目情報マスタ WHERE 項目No=%1").arg(number); }

const QString itemListSql = QStringLiteral(
    "SELECT  FL1901項目情報マスタ.項目No, FL1901項目情報マスタ.データ項目名, FL1901項目情報マスタ.属性, "
    "区分マスタ.区分名称 AS 属性名, FL1901項目情報マスタ.長さ, FL1901項目情報マスタ.小数部長さ FROM "
    "(FL1901項目情報マスタ LEFT JOIN 区分マスタ  ON (区分マスタ.区分コード = FL1901項目情報マスタ.属性  AND "
    "区分マスタ.区分 = '属性' )) Order By FL1901項目情報マスタ.項目No");
}  // namespace

class TestDbStatements : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<platform::ScriptedToolkitScope> scope;

    QVariant other(const QString& sql) { return database->queryValue(sql); }
    int itemCount() { return other(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ")).toInt(); }
    void open(std::unique_ptr<db::ResultSet>& rs, const QString& sql, bool updatable = false) {
        rs = updatable ? openUpdatable(sql) : openReadOnly(sql);
    }
    void execute(const QString& sql) { executeSql(sql); }

private slots:
    void init() {
        resetProgramState();
        database = std::make_unique<TestDatabase>();
        REQUIRE_TEST_DATABASE(*database);
        scope = std::make_unique<platform::ScriptedToolkitScope>();
        database->configureWorkArea();
        openDatabase();
    }
    void cleanup() {
        db::setFaultHook({});
        resetProgramState();
        database.reset();
        if (scope) QCOMPARE(scope->tk.boxTexts(), QStringList());
        scope.reset();
    }

    void resultAtEndTellsWhetherTheSetHasRows() {
        database->run(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (7, '発注日', 'Y', 8, 0)"));
        std::unique_ptr<db::ResultSet> rs;
        for (bool updatable : {false, true}) {
            open(rs, s2(8), updatable);
            QCOMPARE(workarea.resultAtEnd, QStringLiteral("9"));
            QVERIFY(rs->atEnd());
            rs->closeResultSet();
            open(rs, s2(7), updatable);
            QCOMPARE(workarea.resultAtEnd, QStringLiteral("0"));
            QVERIFY(!rs->atEnd());
            QCOMPARE(rs->columnValue(QStringLiteral("項目No")), QVariant(7));
            QCOMPARE(rs->columnValue(QStringLiteral("データ項目名")), QVariant(QStringLiteral("発注日")));
            rs->moveNext();
            QVERIFY(rs->atEnd());
            QVERIFY_THROWS_EXCEPTION(db::Error, rs->columnValue(QStringLiteral("項目No")));
        }
        // A failed open leaves resultAtEnd and the caller's reference alone.
        db::ResultSet* before = rs.get();
        workarea.resultAtEnd = QStringLiteral("0");
        try {
            rs = openReadOnly(QStringLiteral("SELECT * FROM 存在しない表"));
            QFAIL("a missing table opened");
        } catch (const db::Error& e) {
            QVERIFY(!e.sqlState.isEmpty());
            QCOMPARE(e.statement, workarea.sqlText);
            QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("存在しない表")));
        }
        QCOMPARE(workarea.resultAtEnd, QStringLiteral("0"));
        QCOMPARE(rs.get(), before);
    }

    void theItemListReadsEveryRowInOrderWithNullsAndAnyCaseOfNames() {
        database->loadSampleData();
        database->run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No) VALUES (999)"));
        std::unique_ptr<db::ResultSet> rs;
        open(rs, itemListSql);
        QList<int> numbers;
        QMap<int, QVariant> names;
        for (; !rs->atEnd(); rs->moveNext()) {
            numbers.append(rs->columnValue(QStringLiteral("項目No")).toInt());
            names.insert(numbers.last(), rs->columnValue(QStringLiteral("属性名")));
        }
        rs->closeResultSet();
        QCOMPARE(numbers.size(), 39);
        QVERIFY(std::is_sorted(numbers.begin(), numbers.end()));
        QCOMPARE(names.value(60), QVariant(QStringLiteral("日付")));
        QCOMPARE(names.value(120), QVariant(QStringLiteral("明細繰返し")));

        // The row written by another program with nothing but its number.
        open(rs, s2(999));
        QCOMPARE(rs->columnValue(QStringLiteral("項目NO")), QVariant(999));
        QCOMPARE(rs->columnValue(QStringLiteral("項目no")).typeId(), QMetaType::Int);
        for (const char* column : {"データ項目名", "属性", "長さ", "小数部長さ"})
            QVERIFY2(rs->columnValue(QString::fromUtf8(column)).isNull(), column);
        try {
            rs->columnValue(QStringLiteral("項目番号"));
            QFAIL("an unknown column was found");
        } catch (const db::Error& e) {
            QCOMPARE(e.sqlState, QStringLiteral("42S22"));
        }
    }

    // A server hands a long list over a block at a time, and the read leaves no transaction open.
    void aLongListIsReadWholeInBlocksAndLeavesNoTransactionOpen() {
        constexpr int count = 10000;
        database->loadSampleData();
        database->run(QStringLiteral("DELETE FROM FL1901項目情報マスタ"));
        database->run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                                     "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1) "
                                     "SELECT x, '項目' || x, 'X', x % 100, 0 FROM n")
                          .arg(count));
        QList<qint64> numbers;
        QStringList names, attributeNames;
        bool sawBlockFetch = false;
        const qint64 total = db::readAllRows(itemListSql, [](const db::RowBlock&) {}, [&](const db::RowBlock& block) {
            for (int r = 0; r < block.rowCount(); ++r) {
                numbers.append(block.integer(r, 0));
                names.append(block.text(r, 1).toString());
                attributeNames.append(block.text(r, 3).toString());
            }
            if (database->isPostgres() && numbers.size() > count / 2 && !sawBlockFetch)
                sawBlockFetch = other(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE state = 'idle in "
                                                     "transaction' AND query LIKE 'fetch %'")).toInt() == 1;
        });
        QCOMPARE(total, qint64(count));
        QCOMPARE(numbers.size(), count);
        for (int i = 0; i < count; ++i) QCOMPARE(numbers[i], qint64(i + 1));
        QCOMPARE(names.last(), QStringLiteral("項目%1").arg(count));
        QCOMPARE(attributeNames.last(), QStringLiteral("英数字"));
        QCOMPARE(sawBlockFetch, database->isPostgres());

        // Back in auto-commit: a change is seen elsewhere at once.
        execute(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 1 WHERE 項目No=%1").arg(count));
        QCOMPARE(other(QStringLiteral("SELECT 長さ FROM FL1901項目情報マスタ WHERE 項目No=%1").arg(count)).toInt(), 1);
    }

    void anActionMatchingNoRowIsNoFailure() {
        execute(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 1 WHERE 項目No=404"));
        execute(QStringLiteral("delete from FL1901項目情報マスタ Where 項目No=404"));
        QVERIFY_THROWS_EXCEPTION(db::Error, execute(QStringLiteral("UPDATE 存在しない表 SET x = 1")));
    }

    void commitAndRollbackAreSeenFromAnotherConnection() {
        beginTransaction();
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '伝票番号', '9', 10, 0)"));
        QCOMPARE(itemCount(), 0);
        commitTransaction();
        QCOMPARE(itemCount(), 1);

        beginTransaction();
        std::unique_ptr<db::ResultSet> rs;
        open(rs, s2(2), true);
        rs->addNew();
        rs->setColumnValue(QStringLiteral("項目No"), QStringLiteral("2"));
        rs->setColumnValue(QStringLiteral("データ項目名"), QStringLiteral("取消分"));
        rs->update();
        rs->closeResultSet();
        execute(QStringLiteral("delete from FL1901項目情報マスタ Where 項目No=1"));
        rollbackTransaction();
        QCOMPARE(itemCount(), 1);
        QCOMPARE(other(QStringLiteral("SELECT 項目No FROM FL1901項目情報マスタ")).toInt(), 1);

        // Back in auto-commit: a single statement is seen at once.
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (3, '数量', '9', 7, 1)"));
        QCOMPARE(itemCount(), 2);
    }

    void aFailedStatementInATransactionLeavesNoPartialWrite() {
        beginTransaction();
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '伝票番号', '9', 10, 0)"));
        QVERIFY_THROWS_EXCEPTION(db::Error,
                                 execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '重複', 'X', 1, 0)")));
        rollbackTransaction();
        QCOMPARE(itemCount(), 0);
        std::unique_ptr<db::ResultSet> rs;
        open(rs, s2(1));
        QCOMPARE(workarea.resultAtEnd, QStringLiteral("9"));
    }

    // A roll-back the driver refuses: auto-commit is never switched on over the open transaction
    // (that would commit it); the connection is laid aside and the next statement runs on a new one.
    void aFailedRollbackNeverCommits() {
        beginTransaction();
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '取り消すはず', '9', 10, 0)"));
        db::setFaultHook([](db::FaultPoint p) { return p == db::FaultPoint::Rollback; });
        QVERIFY_THROWS_EXCEPTION(db::ConnectionDropped, rollbackTransaction());
        db::setFaultHook({});
        QCOMPARE(itemCount(), 0);
        std::unique_ptr<db::ResultSet> rs;
        open(rs, QStringLiteral("SELECT COUNT(*) AS n FROM FL1901項目情報マスタ"));
        QCOMPARE(rs->columnValue(QStringLiteral("n")).toInt(), 0);
        rs.reset();
        closeDatabase();
        QCOMPARE(itemCount(), 0);
        QVERIFY(scope->tk.boxTexts().isEmpty());
    }

    // The converse: a commit that went through is no failure because auto-commit could not be
    // switched back on; the next statement outside a transaction is committed at once all the same.
    void aDoneCommitStaysDone() {
        beginTransaction();
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '書いた', '9', 10, 0)"));
        db::setFaultHook([](db::FaultPoint p) { return p == db::FaultPoint::AutoCommitOn; });
        commitTransaction();
        db::setFaultHook({});
        QCOMPARE(itemCount(), 1);
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (2, '次の文', '9', 10, 0)"));
        QCOMPARE(itemCount(), 2);
    }

    // A statement whose set-up fails leaves nothing registered with its connection, which frees
    // what it holds when it closes.
    void aStatementThatFailsToStartLeavesNothingBehind() {
        db::setFaultHook([](db::FaultPoint p) { return p == db::FaultPoint::StatementAttribute; });
        QVERIFY_THROWS_EXCEPTION(db::Error, execute(QStringLiteral("SELECT 1")));
        db::setFaultHook({});
        QCOMPARE(workarea.dbConnection->statementCount(), 0);
        closeDatabase();
        openDatabase();
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '再接続', '9', 10, 0)"));
        QCOMPARE(itemCount(), 1);
    }

    void addNewAndEditWriteTheRowWithItsColumnTypes() {
        std::unique_ptr<db::ResultSet> rs;
        open(rs, s2(7), true);
        QCOMPARE(workarea.resultAtEnd, QStringLiteral("9"));
        rs->addNew();
        rs->setColumnValue(QStringLiteral("項目No"), QStringLiteral("7"));
        rs->setColumnValue(QStringLiteral("データ項目名"), QStringLiteral("発注数量"));
        rs->setColumnValue(QStringLiteral("属性"), QStringLiteral("9"));
        rs->setColumnValue(QStringLiteral("長さ"), QStringLiteral("12"));
        rs->setColumnValue(QStringLiteral("小数部長さ"), 0);
        // What is set reads back as the column holds it.
        QCOMPARE(rs->columnValue(QStringLiteral("長さ")), QVariant(12));
        QCOMPARE(rs->columnValue(QStringLiteral("データ項目名")), QVariant(QStringLiteral("発注数量")));
        QVERIFY_THROWS_EXCEPTION(db::Error, rs->setColumnValue(QStringLiteral("長さ"), QStringLiteral("十二")));
        rs->update();
        rs->closeResultSet();
        QCOMPARE(other(QStringLiteral("SELECT 長さ FROM FL1901項目情報マスタ WHERE 項目No=7")).toInt(), 12);

        open(rs, s2(7), true);
        QCOMPARE(workarea.resultAtEnd, QStringLiteral("0"));
        rs->edit();
        rs->setColumnValue(QStringLiteral("データ項目名"), QStringLiteral("出荷数量"));
        rs->setColumnValue(QStringLiteral("小数部長さ"), QStringLiteral(" 1 "));
        rs->update();
        rs->closeResultSet();
        QCOMPARE(itemCount(), 1);
        QCOMPARE(other(QStringLiteral("SELECT データ項目名 FROM FL1901項目情報マスタ WHERE 項目No=7")).toString(),
                 QStringLiteral("出荷数量"));
        QCOMPARE(other(QStringLiteral("SELECT 小数部長さ FROM FL1901項目情報マスタ WHERE 項目No=7")).toInt(), 1);

        // The list statement joins two tables: its rows cannot be written.
        open(rs, QStringLiteral("SELECT * FROM (FL1901項目情報マスタ LEFT JOIN 区分マスタ ON 区分マスタ.区分コード = "
                                "FL1901項目情報マスタ.属性)"),
             true);
        rs->edit();
        rs->setColumnValue(QStringLiteral("長さ"), 1);
        QVERIFY_THROWS_EXCEPTION(db::Error, rs->update());
    }

    void anUpdateNeverOverwritesAChangeMadeElsewhere() {
        database->run(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (5, '商品名', 'K', 40, NULL)"));
        std::unique_ptr<db::ResultSet> rs;

        // Unchanged meanwhile (a null original included): written.
        open(rs, s2(5), true);
        rs->edit();
        rs->setColumnValue(QStringLiteral("長さ"), 30);
        rs->update();
        rs->closeResultSet();
        QCOMPARE(other(QStringLiteral("SELECT 長さ FROM FL1901項目情報マスタ WHERE 項目No=5")).toInt(), 30);

        // Changed by another workstation after it was read: refused, the other change stays.
        open(rs, s2(5), true);
        rs->edit();
        rs->setColumnValue(QStringLiteral("データ項目名"), QStringLiteral("自分の変更"));
        database->run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 小数部長さ = 0 WHERE 項目No=5"));
        QVERIFY_THROWS_EXCEPTION(db::Error, rs->update());
        rs->closeResultSet();
        QCOMPARE(other(QStringLiteral("SELECT データ項目名 FROM FL1901項目情報マスタ WHERE 項目No=5")).toString(),
                 QStringLiteral("商品名"));

        // Deleted meanwhile: refused and not brought back. On PostgreSQL inside the caller's transaction
        // too (a SQLite reader in a transaction holds the file, so the other delete would wait).
        const bool inTransaction = database->isPostgres();
        if (inTransaction) beginTransaction();
        open(rs, s2(5), true);
        rs->edit();
        rs->setColumnValue(QStringLiteral("長さ"), 1);
        database->run(QStringLiteral("DELETE FROM FL1901項目情報マスタ WHERE 項目No=5"));
        QVERIFY_THROWS_EXCEPTION(db::Error, rs->update());
        rs->closeResultSet();
        if (inTransaction) rollbackTransaction();
        QCOMPARE(itemCount(), 0);
    }

    void apostrophesAreQuotedAndTextReadsBackExactly() {
        QCOMPARE(quoteSql(QStringLiteral("O'Brien''s")), QStringLiteral("O''Brien''''s"));
        // Characters beyond U+FFFF in a statement text too (a UCS-2 conversion once cut it short).
        const QString name = QStringLiteral("ﾏｸﾄﾞﾅﾙﾄﾞ's '店' -- ; 𠀋😀");
        execute(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (1, '") + quoteSql(name) +
                QStringLiteral("', 'X', 20, 0)"));
        std::unique_ptr<db::ResultSet> rs;
        open(rs, QStringLiteral("SELECT * FROM FL1901項目情報マスタ WHERE データ項目名 = '") + quoteSql(name) +
                     QStringLiteral("'"));
        QCOMPARE(rs->columnValue(QStringLiteral("データ項目名")).toString(), name);

        // Longer than any read buffer, in several scripts.
        database->run(QStringLiteral("CREATE TABLE 長文 (番号 INTEGER PRIMARY KEY, 本文 TEXT)"));
        const QString text = QStringLiteral("項目情報ｺｰﾄﾞ'abc\"€𠀋").repeated(700);
        open(rs, QStringLiteral("SELECT * FROM 長文 WHERE 番号 = 1"), true);
        rs->addNew();
        rs->setColumnValue(QStringLiteral("番号"), 1);
        rs->setColumnValue(QStringLiteral("本文"), text);
        rs->update();
        open(rs, QStringLiteral("SELECT 本文 FROM 長文"));
        QCOMPARE(rs->columnValue(QStringLiteral("本文")).toString(), text);
    }

    void theOperatorStatementsRunAsWritten() {
        database->loadSampleData();
        const QString password = QStringLiteral("WHERE,FL0003担当者マスタ.");
        const QString update = QStringLiteral("UPDATE FL0003担当者マスタ SET") +
                               QStringLiteral(" FL0003担当者マスタ.パスワード = '") + quoteSql(password) +
                               QStringLiteral("'") + QStringLiteral(" WHERE FL0003担当者マスタ.担当者コード = '") +
                               QStringLiteral("0002") + QStringLiteral("'");
        execute(update);
        QCOMPARE(workarea.sqlText, update);
        QCOMPARE(other(QStringLiteral("SELECT パスワード FROM FL0003担当者マスタ WHERE 担当者コード = '0002'")).toString(),
                 password);
        QCOMPARE(other(QStringLiteral("SELECT パスワード FROM FL0003担当者マスタ WHERE 担当者コード = '0001'")).toString(),
                 QStringLiteral("edi0001"));

        std::unique_ptr<db::ResultSet> rs;
        open(rs, QStringLiteral("SELECT * FROM FL0003担当者マスタ") + QStringLiteral(" WHERE 担当者コード = '") +
                     QStringLiteral("0002") + QStringLiteral("' "));
        QCOMPARE(rs->columnValue(QStringLiteral("担当者氏名")).toString(), QStringLiteral("佐藤　花子"));
        QCOMPARE(rs->columnValue(QStringLiteral("ime起動モード")).toString(), QStringLiteral("1"));
    }

    void bothWrittenFormsOfTheClassificationCodeFindTheRow() {
        database->run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('属性', 'X', '英数字')"));
        std::unique_ptr<db::ResultSet> rs;
        for (const QString& column : {QStringLiteral("区分ｺｰﾄﾞ"), QStringLiteral("区分コード")}) {
            open(rs, QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '属性' AND %1= 'X'").arg(column));
            QCOMPARE(workarea.resultAtEnd, QStringLiteral("0"));
            QCOMPARE(rs->columnValue(QStringLiteral("区分名称")).toString(), QStringLiteral("英数字"));
        }
    }
};

QTEST_MAIN(TestDbStatements)
#include "test_db_statements.moc"
