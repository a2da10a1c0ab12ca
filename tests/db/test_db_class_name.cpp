// The classification name lookup against the sample classification master.
#include "db/db.h"
#include "screen/screen.h"
#include "scripted_toolkit.h"
#include "test_database.h"
#include "test_site.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

class TestDbClassName : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<platform::ScriptedToolkitScope> scope;

private slots:
    void init() {
        resetProgramState();
        database = std::make_unique<TestDatabase>();
        REQUIRE_TEST_DATABASE(*database);
        database->loadSampleData();
        database->run(QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES "
                                     "('属性', 'Q', NULL), ('属性', 'E', ''), ('属性', 'O''', '引用符')"));
        scope = std::make_unique<platform::ScriptedToolkitScope>();
        database->configureWorkArea();
        openDatabase();
    }
    void cleanup() {
        resetProgramState();
        database.reset();
        scope.reset();
    }

    void lookupClassName_data() {
        QTest::addColumn<QString>("classification");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("attribute") << QStringLiteral("属性") << QStringLiteral("X") << QStringLiteral("英数字");
        QTest::newRow("other classification") << QStringLiteral("取引区分") << QStringLiteral("X") << QStringLiteral("取消");
        QTest::newRow("unknown code") << QStringLiteral("属性") << QStringLiteral("Z") << QString();
        QTest::newRow("code in lower case") << QStringLiteral("属性") << QStringLiteral("x") << QString();
        QTest::newRow("empty code") << QStringLiteral("属性") << QString() << QString();
        QTest::newRow("null name") << QStringLiteral("属性") << QStringLiteral("Q") << QString();
        QTest::newRow("empty name") << QStringLiteral("属性") << QStringLiteral("E") << QString();
        QTest::newRow("code with an apostrophe") << QStringLiteral("属性") << QStringLiteral("O'") << QString();
        QTest::newRow("statement breaker") << QStringLiteral("属性") << QStringLiteral("X' OR 'a'='a") << QString();
    }
    void lookupClassName() {
        QFETCH(QString, classification);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QCOMPARE(::lookupClassName(classification, code), name);
        QVERIFY(workarea.sqlText.startsWith(QStringLiteral("SELECT 区分名称 FROM 区分マスタ WHERE 区分= '") +
                                            classification + QStringLiteral("' AND 区分ｺｰﾄﾞ= '")));
        QCOMPARE(scope->tk.boxes.size(), 0);
    }

    void aFailingDatabaseGivesAnEmptyName() {
        database->run(QStringLiteral("DROP TABLE 区分マスタ"));
        QCOMPARE(::lookupClassName(QStringLiteral("属性"), QStringLiteral("X")), QString());
        closeDatabase();
        QCOMPARE(::lookupClassName(QStringLiteral("属性"), QStringLiteral("X")), QString());
        QCOMPARE(scope->tk.boxes.size(), 0);
    }

    void showClassName_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("status");
        QTest::newRow("found, status 0 kept") << QStringLiteral("Y") << QStringLiteral("日付") << 0;
        QTest::newRow("not found") << QStringLiteral("Z") << QString() << 9;
        QTest::newRow("empty code") << QString() << QString() << 9;
        QTest::newRow("apostrophe") << QStringLiteral("'") << QString() << 9;
    }
    void showClassName() {
        QFETCH(QString, code);
        QFETCH(QString, label);
        QFETCH(int, status);
        QLineEdit field;
        QLabel name(QStringLiteral("前の名前"));
        field.setText(code);
        CheckResult result = CheckResult::Passed;
        ::showClassName(QStringLiteral("属性"), &field, &name, result);
        QCOMPARE(name.text(), label);
        QCOMPARE(int(result), status);
        if (status == 9) {
            QCOMPARE(scope->tk.boxTexts(), QStringList{QStringLiteral("該当データがありませんでした")});
            QCOMPARE(scope->tk.boxes[0].style, platform::vbOKOnly);
            QCOMPARE(scope->tk.boxes[0].caption, QStringLiteral("R205730"));
        } else {
            QCOMPARE(scope->tk.boxes.size(), 0);
        }
    }

    void aFoundNameLeavesAFailedStatusAlone() {
        QLineEdit field;
        QLabel name;
        field.setText(QStringLiteral("K"));
        CheckResult result = CheckResult::Stop;
        ::showClassName(QStringLiteral("属性"), &field, &name, result);
        QCOMPARE(name.text(), QStringLiteral("漢字"));
        QCOMPARE(int(result), 9);
    }
};

QTEST_MAIN(TestDbClassName)
#include "test_db_class_name.moc"
