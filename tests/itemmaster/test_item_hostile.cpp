// Rows another program wrote, outside what the screen would ever store: overlong and control
// characters in the name, lengths far outside the field sizes, an unknown attribute. They list,
// open without harm; what the screen shows fits its fields.
#include "item_screen.h"

#include "db/db.h"
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
    // The list's cells for rows the screen would never write: nulls, empty and blank texts,
    // names beyond the column's size, unknown attributes, numbers at their limits. The cells
    // read as they did when the list was read cell by cell.
    void oddRowsListAsBefore() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        const QString wideName = QString::fromUtf8("\xf0\xa0\xae\xb7").repeated(40);  // 40 characters beyond U+FFFF
        const QString controls = QStringLiteral("A\tB\x01\x1b\u00A0\uFFFD'\"");
        const QString longName = QStringLiteral("長い名前").repeated(1000);
        const QString insert =
            QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES ");
        QStringList rows = {
            QStringLiteral("(0, '  前後に空白  ', 'X', 0, 0)"),
            QStringLiteral("(-5, '', '9', -7, 3)"),
            QStringLiteral("(903, NULL, NULL, NULL, NULL)"),
            QStringLiteral("(904, '   ', 'q', 99999, -1)"),
            QStringLiteral("(905, '%1', 'X', 2147483647, -2147483647)").arg(wideName),
            QStringLiteral("(2147483647, '%1', ' ', 1, 0)").arg(QString(controls).replace("'", "''")),
        };
        // SQLite keeps what another program writes beyond the declared sizes and types.
        if (!s.database().isPostgres())
            rows << QStringLiteral("(906, '%1', 'XYZ', 'abc', 3.5)").arg(longName)
                 << QStringLiteral("(907, 12345, '9', '0.0', ' 12 ')");
        s.database().run(insert + rows.join(QStringLiteral(";\n") + insert));
        loadItemList();

        const FlexGrid* g = s.f()->GRID;
        auto cells = [&](const QString& number) {
            QStringList texts;
            const int r = s.listRowOf(number);
            for (int c = 1; c <= 6 && r > 0; ++c) texts << g->textMatrix(r, c);
            return texts;
        };
        QCOMPARE(listRowCount, s.itemCount());
        QCOMPARE(g->textMatrix(1, 1), QStringLiteral("-5"));
        QCOMPARE(g->textMatrix(listRowCount, 1), QStringLiteral("2147483647"));
        QCOMPARE(cells("0"), (QStringList{"0", "前後に空白", "X", "英数字", "", ""}));
        QCOMPARE(cells("-5"), (QStringList{"-5", "", "9", "数値", "-7", "3"}));
        QCOMPARE(cells("903"), (QStringList{"903", "", "", "", "", ""}));
        QCOMPARE(cells("904"), (QStringList{"904", "", "q", "", "99999", "-1"}));
        QCOMPARE(cells("905"), (QStringList{"905", wideName, "X", "英数字", "2147483647", "-2147483647"}));
        QCOMPARE(cells("2147483647"), (QStringList{"2147483647", controls, "", "", "1", ""}));
        if (!s.database().isPostgres()) {
            QCOMPARE(cells("906"), (QStringList{"906", longName, "XYZ", "", "", "3"}));
            QCOMPARE(cells("907"), (QStringList{"907", "12345", "9", "数値", "", "12"}));

            // A site's data source steps through the rows (StepAPI): the same list.
            QStringList all;
            for (int r = 1; r <= listRowCount; ++r)
                for (int c = 1; c <= 6; ++c) all << g->textMatrix(r, c);
            s.database().addDataSource(QStringLiteral("EDI_STEP"), {{QStringLiteral("StepAPI"), QStringLiteral("1")}});
            workarea.dataSource = QStringLiteral("EDI_STEP");
            openDatabase();
            loadItemList();
            QStringList stepped;
            for (int r = 1; r <= listRowCount; ++r)
                for (int c = 1; c <= 6; ++c) stepped << g->textMatrix(r, c);
            QCOMPARE(stepped, all);
        }
        QVERIFY(s.tk().boxes.isEmpty());
    }
};

QTEST_MAIN(TestItemHostile)
#include "test_item_hostile.moc"
