// The hand-over of the command line, the numeric columns and the statement texts.
#include "operator/operator.h"
#include "scripted_toolkit.h"
#include "test_site.h"

#include <QTest>

class TestOperatorLogic : public QObject {
    Q_OBJECT
private slots:
    void init() { resetProgramState(); }

    void handOverTrimsOnlyTheOutside_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("code");
        QTest::newRow("spaces") << "  OP01  " << "OP01";
        QTest::newRow("two words") << "OP 01" << "OP 01";
        QTest::newRow("tabs and full-width spaces") << "\t\u3000OP01 \t" << "OP01";
        QTest::newRow("nothing") << "" << "";
    }
    void handOverTrimsOnlyTheOutside() {
        QFETCH(QString, commandLine);
        QFETCH(QString, code);
        platform::ScriptedToolkitScope scope;
        workarea.operatorName = QStringLiteral("earlier");
        handOverOperator(commandLine);
        QCOMPARE(workarea.operatorCode, code);
        QCOMPARE(signOnResult, QStringLiteral("00"));
        // Only the code is handed over; the rest stays as it was.
        QCOMPARE(workarea.operatorName, QStringLiteral("earlier"));
        QVERIFY(scope.tk.boxes.isEmpty());
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");  // -99999: cannot be held in 16 bits
        QTest::newRow("plain") << "2" << 2;
        QTest::newRow("trailing space") << "2 " << 2;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letter") << "X" << 0;
        QTest::newRow("leading blanks, text after") << " \t3abc" << 3;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("exponent") << "1e3" << 1000;
        QTest::newRow("exponent without digits") << "7e" << 7;
        QTest::newRow("largest") << "32767.4" << 32767;
        QTest::newRow("smallest") << "-32768" << -32768;
        QTest::newRow("too large after rounding") << "32767.5" << -99999;
        QTest::newRow("too small") << "-40000" << -99999;
        QTest::newRow("huge exponent") << "1e400" << -99999;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(int, value);
        const std::optional<Int16> n = leadingNumberToInt16(text);
        QCOMPARE(n ? int(*n) : -99999, value);
    }

    void wholeNumberWantsTheWholeText() {
        QCOMPARE(wholeNumberToInt16(QStringLiteral(" 2 ")), std::optional<Int16>(2));
        QCOMPARE(wholeNumberToInt16(QStringLiteral("4.5")), std::optional<Int16>(4));
        QVERIFY(!wholeNumberToInt16(QStringLiteral("X")));
        QVERIFY(!wholeNumberToInt16(QStringLiteral("2X")));
        QVERIFY(!wholeNumberToInt16(QStringLiteral("")));
        QVERIFY(!wholeNumberToInt16(QStringLiteral("40000")));
    }

    void statementsKeepTheirTextAndQuoteValues() {
        QCOMPARE(operatorReadSql(QStringLiteral("0001")),
                 QStringLiteral("SELECT * FROM FL0003担当者マスタ WHERE 担当者コード = '0001' "));
        QCOMPARE(operatorReadSql(QStringLiteral("a' OR '1'='1")),
                 QStringLiteral("SELECT * FROM FL0003担当者マスタ WHERE 担当者コード = 'a'' OR ''1''=''1' "));
        QCOMPARE(passwordUpdateSql(QStringLiteral(" it's "), QStringLiteral("0001 ")),
                 QStringLiteral("UPDATE FL0003担当者マスタ SET FL0003担当者マスタ.パスワード = ' it''s '"
                                " WHERE FL0003担当者マスタ.担当者コード = '0001 '"));
    }
};

QTEST_MAIN(TestOperatorLogic)
#include "test_operator_logic.moc"
