// Rows another program wrote, outside what the screen would ever store: an item number longer
// than its field, overlong and control characters in the name, lengths far outside the field
// sizes, an unknown attribute. They list whole; an item whose values the fields cannot hold whole
// is not opened (the operator is told), so nothing is ever shown cut, and a cut text can never
// become a key or a stored value.
#include "item_screen.h"

#include "db/db.h"
#include "platform/cp932.h"

using namespace platform;

namespace {
const QString doesNotFit = QStringLiteral("入力欄に収まらない値があるため、この項目は変更・削除できません");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");

void insertItem(TestDatabase& d, const QString& number, const QString& name, const QString& attribute,
                const QString& length, const QString& decimals) {
    QString quoted = name;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    d.run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                         "VALUES (%1, '%2', '%3', %4, %5)")
              .arg(number, quoted, attribute, length, decimals));
}

// Clicks a data row of the list.
void clickRow(ItemScreen& s, int row) {
    FlexGrid* g = s.f()->GRID;
    g->setTopRow(row);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row - 1, 2)).center());
    QApplication::processEvents();
}
}  // namespace

class TestItemHostile : public QObject {
    Q_OBJECT

private slots:
    void foreignRowsListWholeAndAreNeverOpenedCut() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        TestDatabase& d = s.database();
        const QString longName = QStringLiteral("漢").repeated(15);  // 30 bytes: fits the column, not the field
        const QString controls = QStringLiteral("A\tB\x01\x1b'\"");
        insertItem(d, QStringLiteral("123456"), QStringLiteral("本物"), QStringLiteral("X"), QStringLiteral("10"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("1234567"), QStringLiteral("七桁"), QStringLiteral("X"), QStringLiteral("10"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("901"), longName, QStringLiteral("X"), QStringLiteral("10"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("902"), QStringLiteral("長さ"), QStringLiteral("X"), QStringLiteral("99999"), QStringLiteral("-7"));
        insertItem(d, QStringLiteral("903"), controls, QStringLiteral("q"), QStringLiteral("-1"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("905"), QStringLiteral("Café\u00A0\uFFFD"), QStringLiteral("X"), QStringLiteral("1"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("904"), QStringLiteral("二十バイトの名前です"), QStringLiteral("X"), QStringLiteral("4000"), QStringLiteral("0"));
        insertItem(d, QStringLiteral("2147483647"), QString(), QStringLiteral("9"), QStringLiteral("0"), QStringLiteral("0"));
        loadItemList();
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("1234567")), 2), QStringLiteral("七桁"));
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("901")), 2), longName);
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("902")), 5), QStringLiteral("99999"));
        QVERIFY(s.listRowOf(QStringLiteral("2147483647")) > 0);

        // Found by the search: refused, told, still in HEAD; nothing cut, nothing queued.
        // (905's name has characters that code page 932 lacks: every check would turn them into "?".)
        for (const char* number : {"901", "902", "905"}) {
            s.tk().boxes.clear();
            f->Kensaku->setText(QString::fromLatin1(number));
            s.press(Qt::Key_Return);
            QCOMPARE(s.tk().boxTexts(), QStringList{doesNotFit});
            QVERIFY(s.inHead());
            QCOMPARE(s.focused(), f->Kensaku);
        }
        QCOMPARE(s.tk().queuedEnters, 0);

        // Clicked in the list: refused too. The fields never show a cut number, so the delete
        // and the save cannot reach item 123456 through them.
        s.tk().boxes.clear();
        clickRow(s, s.listRowOf(QStringLiteral("1234567")));
        QCOMPARE(s.tk().boxTexts(), QStringList{doesNotFit});
        QVERIFY(s.inHead());
        QVERIFY(f->Koumoku->text().isEmpty());
        QVERIFY(!f->Cmd_sakujyo->isEnabled());
        s.press(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(s.tk().boxTexts(), QStringList{doesNotFit});
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 123456).toString(), QStringLiteral("本物"));
        QCOMPARE(s.itemCount(), screenState().listRowCount);

        // A row that fits opens whole; saved unchanged, it is stored as it was.
        s.tk().boxes.clear();
        clickRow(s, s.listRowOf(QStringLiteral("904")));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("二十バイトの名前です"));
        QCOMPARE(f->Nagasa->text(), QStringLiteral("4000"));
        s.tk().answer(vbYes);
        f->Nagasa->setFocus();
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 904).toString(), QStringLiteral("二十バイトの名前です"));

        // The unknown attribute and the negative length fit; their checks refuse them as typed.
        s.tk().boxes.clear();
        clickRow(s, s.listRowOf(QStringLiteral("903")));
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku_NM->text(), controls);
        QCOMPARE(s.tk().endCount, 0);
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // Values another program stored that the screen would write back changed: a number column
    // holding letters or a fraction (SQLite keeps them), a row without attribute or name. They list
    // as stored and are not opened, so a save can neither change them unseen nor mistake them for
    // another workstation's change. A row without lengths opens and saves them as 0.
    void storedValuesTheFieldsCannotHoldAreListedNotOpened() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        TestDatabase& d = s.database();
        const QString missing = QStringLiteral("項目名か属性が空のため、この項目は変更・削除できません");
        QStringList numbers, messages;
        const QString insert =
            QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES ");
        d.run(insert + QStringLiteral("(912, '属性なし', NULL, 5, 0)"));
        d.run(insert + QStringLiteral("(913, NULL, 'X', 5, 0)"));
        d.run(insert + QStringLiteral("(914, '長さなし', 'X', NULL, NULL)"));
        if (!d.isPostgres()) {
            d.run(insert + QStringLiteral("(910, '数量', '9', '12a', 0)"));
            d.run(insert + QStringLiteral("(911, '単価', '9', 3.5, 0)"));
            numbers << QStringLiteral("910") << QStringLiteral("911");
            messages << doesNotFit << doesNotFit;
        }
        numbers << QStringLiteral("912") << QStringLiteral("913");
        messages << missing << missing;
        loadItemList();
        if (!d.isPostgres()) {
            QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("910")), 5), QStringLiteral("12a"));
            QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("911")), 5), QStringLiteral("3.5"));
        }
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            const QString& number = numbers[i];
            const QString& message = messages[i];
            s.tk().boxes.clear();
            ShownScreen::focus(f->Kensaku);
            f->Kensaku->setText(number);
            s.press(Qt::Key_Return);
            QCOMPARE(s.tk().boxTexts(), QStringList{message});
            QVERIFY(s.inHead());
            clickRow(s, s.listRowOf(number));
            QCOMPARE(s.tk().boxTexts(), (QStringList{message, message}));
            QVERIFY(s.inHead());
            QVERIFY(f->Koumoku->text().isEmpty());
        }

        s.tk().boxes.clear();
        ShownScreen::focus(f->Kensaku);
        f->Kensaku->setText(QStringLiteral("914"));
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        s.tk().answer(vbYes);
        f->Nagasa->setFocus();
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.stored(QStringLiteral("長さ"), 914).toInt(), 0);
        QVERIFY(s.inHead());
        QCOMPARE(s.tk().endCount, 0);
    }

    // An entry that the list moves onto a row the fields cannot hold ends: the fields are empty,
    // so neither Esc nor Enter can ask to save a cut item.
    void anEntryMovedOntoAnUnfitRowEnds() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        insertItem(s.database(), QStringLiteral("1234567"), QStringLiteral("七桁"), QStringLiteral("X"), QStringLiteral("10"),
                   QStringLiteral("0"));
        loadItemList();
        const int last = s.listRowOf(QStringLiteral("1234567"));
        QCOMPARE(last, screenState().listRowCount);
        clickRow(s, last - 1);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        f->GRID->setFocus();
        s.press(Qt::Key_Down);
        QCOMPARE(f->GRID->row(), last);
        QVERIFY(s.inHead());
        for (const InputField* field : {f->Koumoku, f->Koumoku_NM, f->Zokusei, f->Nagasa, f->Nagasa_S})
            QVERIFY(field->text().isEmpty());
        QVERIFY(s.tk().boxes.isEmpty());
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
        QCOMPARE(screenState().listRowCount, s.itemCount());
        QCOMPARE(g->textMatrix(1, 1), QStringLiteral("-5"));
        QCOMPARE(g->textMatrix(screenState().listRowCount, 1), QStringLiteral("2147483647"));
        QCOMPARE(cells("0"), (QStringList{"0", "前後に空白", "X", "英数字", "", ""}));
        QCOMPARE(cells("-5"), (QStringList{"-5", "", "9", "数値", "-7", "3"}));
        QCOMPARE(cells("903"), (QStringList{"903", "", "", "", "", ""}));
        QCOMPARE(cells("904"), (QStringList{"904", "", "q", "", "99999", "-1"}));
        QCOMPARE(cells("905"), (QStringList{"905", wideName, "X", "英数字", "2147483647", "-2147483647"}));
        QCOMPARE(cells("2147483647"), (QStringList{"2147483647", controls, "", "", "1", ""}));
        if (!s.database().isPostgres()) {
            // What is no whole number is listed as stored, never as the number a conversion makes of it.
            QCOMPARE(cells("906"), (QStringList{"906", longName, "XYZ", "", "abc", "3.5"}));
            QCOMPARE(cells("907"), (QStringList{"907", "12345", "9", "数値", "", "12"}));

            // A site's data source steps through the rows (StepAPI): the same list.
            QStringList all;
            for (int r = 1; r <= screenState().listRowCount; ++r)
                for (int c = 1; c <= 6; ++c) all << g->textMatrix(r, c);
            s.database().addDataSource(QStringLiteral("EDI_STEP"), {{QStringLiteral("StepAPI"), QStringLiteral("1")}});
            workarea.dataSource = QStringLiteral("EDI_STEP");
            openDatabase();
            loadItemList();
            QStringList stepped;
            for (int r = 1; r <= screenState().listRowCount; ++r)
                for (int c = 1; c <= 6; ++c) stepped << g->textMatrix(r, c);
            QCOMPARE(stepped, all);
        }
        QVERIFY(s.tk().boxes.isEmpty());
    }
};

QTEST_MAIN(TestItemHostile)
#include "test_item_hostile.moc"
