// Rows another program wrote, outside what the screen would ever store: overlong and control
// characters in the name, lengths far outside the field sizes, an unknown attribute. They list,
// open without harm; what the screen shows fits its fields.
#include "item_screen.h"

#include "platform/cp932.h"

using namespace platform;

class TestItemHostile : public QObject {
    Q_OBJECT

private slots:
    void foreignRowsListAndOpen() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const QString longName = QStringLiteral("漢").repeated(40);  // 80 bytes, the column's limit
        const QString controls = QStringLiteral("A\tB\x01\x1b\u00A0\uFFFD'\"");
        s.database().run(QStringLiteral(
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES "
            "(901, '%1', 'X', 99999, -7);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES "
            "(902, '%2', 'q', -1, 99999);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES "
            "(2147483647, '', '9', 0, 0)")
                              .arg(longName, QString(controls).replace("'", "''")));
        loadItemList();
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("901")), 2), longName);
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("901")), 5), QStringLiteral("99999"));
        QVERIFY(s.listRowOf(QStringLiteral("2147483647")) > 0);

        // Opened, the fields hold what fits them, and the length's check tells what is wrong.
        s.type(QStringLiteral("901"));
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("漢").repeated(10));
        QVERIFY(cp932Length(f->Koumoku_NM->text()) <= 20);
        for (const InputField* field : {f->Koumoku_NM, f->Zokusei, f->Nagasa, f->Nagasa_S})
            QVERIFY2(field->text().size() <= field->maxLength(), qPrintable(field->objectName()));
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("長さが上限を超えています")});
        QCOMPARE(s.tk().endCount, 0);
        QCOMPARE(s.stored(QStringLiteral("長さ"), 901).toInt(), 99999);  // nothing written by opening it
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }
};

QTEST_MAIN(TestItemHostile)
#include "test_item_hostile.moc"
