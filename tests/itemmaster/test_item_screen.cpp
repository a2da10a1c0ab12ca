// The maintenance screen end to end: find, add, change and delete items by keyboard.
#include "item_screen.h"

#include <QPushButton>

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");
}  // namespace

class TestItemScreen : public QObject {
    Q_OBJECT

private slots:
    void startsInHeadWithEveryItemListed() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        QCOMPARE(s.focused(), f->Kensaku);
        QVERIFY(s.inHead());
        for (InputField* field : {f->Koumoku, f->Koumoku_NM, f->Zokusei, f->Nagasa, f->Nagasa_S}) {
            QVERIFY(!field->isEnabled());
            QVERIFY(field->text().isEmpty());
        }
        QVERIFY(f->Cmd_kensaku->isEnabled());
        QVERIFY(!f->Cmd_sakujyo->isEnabled());
        QCOMPARE(screenState().listRowCount, s.itemCount());
        QCOMPARE(f->GRID->rows(), screenState().listRowCount + 1);
        QCOMPARE(f->GRID->textMatrix(0, 1), QStringLiteral(" 項目No "));
        QCOMPARE(f->GRID->textMatrix(0, 6), QStringLiteral(" 小数部長さ "));
        // Ascending numbers; lengths of 0 are empty cells; the attribute name comes from the join.
        QCOMPARE(f->GRID->textMatrix(1, 1), QStringLiteral("1"));
        QCOMPARE(f->GRID->textMatrix(1, 4), QStringLiteral("英数字"));
        QCOMPARE(f->GRID->textMatrix(1, 6), QString());
        QCOMPARE(f->GRID->colWidth(0), 0);
        QVERIFY(s.tk().boxes.isEmpty());
    }

    void searchOpensTheItem() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.type(QStringLiteral("0080"));
        s.press(Qt::Key_Return);
        QCOMPARE(f->Kensaku->text(), QStringLiteral("80"));
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(f->Koumoku->text(), QStringLiteral("80"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("発注数量"));
        QCOMPARE(f->Zokusei->text(), QStringLiteral("9"));
        QCOMPARE(f->lbl_zokusei->caption(), QStringLiteral("数値"));
        QCOMPARE(f->Nagasa->text(), QStringLiteral("7"));
        QCOMPARE(f->Nagasa_S->text(), QStringLiteral("1"));
        QVERIFY(!f->Koumoku->isEnabled());
        QVERIFY(f->Nagasa_S->isEnabled());  // attribute 9 has a decimal part
        QVERIFY(!f->Cmd_kensaku->isEnabled());
        QVERIFY(f->Cmd_sakujyo->isEnabled());
        // The list stands on the item, its whole row highlighted.
        const int row = s.listRowOf(QStringLiteral("80"));
        QCOMPARE(f->GRID->row(), row);
        QCOMPARE(f->GRID->col(), 0);
        QCOMPARE(f->GRID->colSel(), 6);
        QVERIFY(f->GRID->topRow() > 1 && f->GRID->topRow() <= row);  // scrolled to it, as far as the list goes
        QCOMPARE(screenState().newItemFlag, Int16(0));
    }

    void searchOpensAnItemAddedSinceTheListWasRead() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.database().run(QStringLiteral(
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (55, '他端末で追加', 'X', 3, 0)"));
        const int row = f->GRID->row();
        s.type(QStringLiteral("55"));
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku->text(), QStringLiteral("55"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("他端末で追加"));
        // No list row shows it: the list stays where it was, nothing highlighted.
        QCOMPARE(f->GRID->row(), row);
        QCOMPARE(f->GRID->colSel(), f->GRID->col());
        QVERIFY(s.tk().boxes.isEmpty());
    }

    void emptySearchOpensTheFirstItemAndUnknownStaysInHead() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.tk().answer(vbOK);
        s.type(QStringLiteral("999999"));  // typed full: the search runs by itself
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("該当データがありません")});
        QVERIFY(s.inHead());
        QCOMPARE(s.focused(), f->Kensaku);

        f->Kensaku->clear();
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku->text(), QStringLiteral("1"));
        QCOMPARE(f->GRID->row(), 1);
        QCOMPARE(s.focused(), f->Koumoku_NM);
    }

    void addingAnItemAsksAndSavesIt() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const int before = s.itemCount();
        s.startAdding();
        QCOMPARE(s.focused(), f->Koumoku);
        QVERIFY(!f->Cmd_sakujyo->isEnabled());
        s.type(QStringLiteral("007"));
        s.press(Qt::Key_Return);
        QCOMPARE(f->Koumoku->text(), QStringLiteral("7"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
        s.type(QStringLiteral("検品区分"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("x"));  // one character fills the attribute and moves on
        QCOMPARE(f->Zokusei->text(), QStringLiteral("X"));
        QCOMPARE(f->lbl_zokusei->caption(), QStringLiteral("英数字"));
        QCOMPARE(s.focused(), f->Nagasa);
        QVERIFY(!f->Nagasa_S->isEnabled());
        s.type(QStringLiteral("10"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Return);

        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.tk().boxes[0].style, vbYesNoCancel | vbExclamation | vbDefaultButton1);
        QCOMPARE(s.itemCount(), before + 1);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 7).toString(), QStringLiteral("検品区分"));
        QCOMPARE(s.stored(QStringLiteral("長さ"), 7).toInt(), 10);
        QCOMPARE(s.stored(QStringLiteral("小数部長さ"), 7).toInt(), 0);
        QVERIFY(s.listRowOf(QStringLiteral("7")) > 0);
        QVERIFY(s.inHead());
        QVERIFY(f->Koumoku_NM->text().isEmpty());
        QCOMPARE(s.focused(), f->Kensaku);
        QCOMPARE(screenState().newItemFlag, Int16(0));
    }

    void numericAttributeAsksAfterTheDecimalPart() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        s.type(QStringLiteral("600"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("単価"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("9"));
        QVERIFY(f->Nagasa_S->isEnabled());
        s.type(QStringLiteral("31"));
        s.tk().answer(vbOK);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("長さが上限を超えています")});
        QCOMPARE(s.focused(), f->Nagasa);
        f->Nagasa->setText(QStringLiteral("30"));
        s.press(Qt::Key_Return);
        QCOMPARE(s.focused(), f->Nagasa_S);  // no question yet
        s.type(QStringLiteral("2"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts().last(), saveQuestion);
        QCOMPARE(s.stored(QStringLiteral("小数部長さ"), 600).toInt(), 2);
        QCOMPARE(s.stored(QStringLiteral("長さ"), 600).toInt(), 30);
    }

    void dateAttributeDefaultsToEight() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        s.type(QStringLiteral("601"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("納品日"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("y"));
        QCOMPARE(f->Nagasa->text(), QStringLiteral("8"));
        f->Nagasa->setText(QStringLiteral("7"));
        s.tk().answer(vbOK);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("年月日の場合,長さは「6」か「8」のみ入力可能です")});
        f->Nagasa->setText(QStringLiteral("6"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Return);
        QCOMPARE(s.stored(QStringLiteral("長さ"), 601).toInt(), 6);
    }

    void noDropsTheEntryAndCancelKeepsIt() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        s.type(QStringLiteral("602"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("仮項目"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("k"));
        s.type(QStringLiteral("20"));
        s.tk().answer(vbCancel);
        s.press(Qt::Key_Return);
        QCOMPARE(s.focused(), f->Koumoku);  // a new item goes back to its number
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("仮項目"));
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));

        s.tk().answer(vbNo);
        s.press(Qt::Key_Escape);  // Esc in BODY asks the same question
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, saveQuestion}));
        QVERIFY(s.inHead());
        QVERIFY(f->Koumoku_NM->text().isEmpty());
        QVERIFY(s.stored(QStringLiteral("項目No"), 602).isNull());

        // Cancel on an existing item goes back to its name.
        s.type(QStringLiteral("10"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbCancel);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.focused(), f->Koumoku_NM);
    }

    void escAfterF2LeavesWithoutAsking() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.type(QStringLiteral("11"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("変えた名前"));
        s.press(Qt::Key_F2);
        s.press(Qt::Key_Escape);
        QVERIFY(s.tk().boxes.isEmpty());
        QVERIFY(s.inHead());
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 11).toString(), QStringLiteral("発注者名称"));
        QCOMPARE(workarea.skipNextCheck, True);  // Esc leaves the skip as it was

        // Esc in HEAD is the exit question; No keeps the screen.
        s.tk().answer(vbNo);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("終了してもよろしいですか")});
        QVERIFY(f->isVisible());
    }

    void changingAnItemUpdatesIt() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.type(QStringLiteral("21"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("取引先正式名称"));
        s.press(Qt::Key_Return);
        s.press(Qt::Key_Return);  // attribute K stays
        f->Nagasa->setText(QStringLiteral("60"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Return);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 21).toString(), QStringLiteral("取引先正式名称"));
        QCOMPARE(s.stored(QStringLiteral("長さ"), 21).toInt(), 60);
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("21")), 2), QStringLiteral("取引先正式名称"));
    }

    void deleteAsksAndCancelAlsoLeaves() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const int before = s.itemCount();
        s.type(QStringLiteral("83"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbCancel);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("削除してよろしいですか")});
        QCOMPARE(s.tk().boxes[0].style, vbOKCancel | vbExclamation);
        QCOMPARE(s.itemCount(), before);
        QVERIFY(s.inHead());
        QVERIFY(f->Koumoku->text().isEmpty());

        s.type(QStringLiteral("83"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        f->Cmd_sakujyo->setFocus();
        s.press(Qt::Key_Return);  // Enter on the button presses it
        QCOMPARE(s.itemCount(), before - 1);
        QCOMPARE(s.listRowOf(QStringLiteral("83")), 0);
        QCOMPARE(screenState().listRowCount, before - 1);
        QVERIFY(s.inHead());
        QVERIFY(!f->Cmd_sakujyo->isEnabled());
    }

    void listClickDoubleClickAndArrows() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        FlexGrid* g = f->GRID;
        const QRect third = g->visualRect(g->model()->index(2, 2));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, third.center());
        QCOMPARE(g->row(), 3);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku->text(), g->textMatrix(3, 1));
        QCOMPARE(f->lbl_zokusei->caption(), g->textMatrix(3, 4));
        QVERIFY(!f->Koumoku->isEnabled());
        QVERIFY(f->Cmd_sakujyo->isEnabled());
        QCOMPARE(g->colSel(), 6);

        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(4, 2)).center());
        QApplication::processEvents();
        QCOMPARE(f->Koumoku->text(), g->textMatrix(5, 1));
        QCOMPARE(s.focused(), f->Koumoku_NM);

        // In HEAD the arrows only change what the closed fields show.
        s.tk().answer(vbNo);
        s.press(Qt::Key_Escape);
        QVERIFY(s.inHead());
        g->setFocus();
        g->setRow(1);
        s.press(Qt::Key_Down);
        QCOMPARE(g->row(), 2);
        QCOMPARE(f->Koumoku->text(), g->textMatrix(2, 1));
        QVERIFY(!f->Koumoku_NM->isEnabled());
        QVERIFY(s.inHead());
        // Enter in the list in HEAD opens the row it stands on.
        s.press(Qt::Key_Return);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(f->Koumoku->text(), g->textMatrix(2, 1));
    }

    void enterOnAButtonPressesIt() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        f->Cmd_tuika->setFocus();
        s.press(Qt::Key_Return);
        QCOMPARE(screenState().newItemFlag, Int16(1));
        QCOMPARE(s.focused(), f->Koumoku);
        QVERIFY(s.tk().boxes.isEmpty());
    }

    void refusedSaveAndDeleteChangeNothing() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        TestDatabase& d = s.database();
        // Another program's rule refuses every write to the table.
        if (d.isPostgres()) {
            d.run(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                 "'BEGIN RAISE EXCEPTION ''refused''; END';\n"
                                 "CREATE TRIGGER refuse_writes BEFORE INSERT OR UPDATE OR DELETE ON FL1901項目情報マスタ "
                                 "FOR EACH ROW EXECUTE FUNCTION refuse()"));
        } else {
            for (const char* op : {"INSERT", "UPDATE", "DELETE"})
                d.run(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON FL1901項目情報マスタ "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                          .arg(QLatin1String(op)));
        }
        const int before = s.itemCount();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("書き換え"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, updateCancelled}));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("伝票番号"));
        QVERIFY(s.inHead());  // the entry is gone all the same

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        s.tk().answer(vbOK);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts().mid(2), (QStringList{QStringLiteral("削除してよろしいですか"), updateCancelled}));
        QCOMPARE(s.itemCount(), before);
        QVERIFY(s.listRowOf(QStringLiteral("50")) > 0);  // the list shows the table as it is
    }

    void rowInsertedMeanwhileIsNeitherDuplicatedNorOverwritten() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        s.type(QStringLiteral("700"));
        s.press(Qt::Key_Return);  // the duplicate test passes now
        QCOMPARE(s.focused(), f->Koumoku_NM);
        // Another workstation adds the same number while this operator reads the save question.
        s.tk().whileShown = [&s](const ShownBox& box) {
            if (box.text == saveQuestion)
                s.database().run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                                                "VALUES (700, '他端末', 'X', 1, 0)"));
        };
        s.type(QStringLiteral("自端末"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("x"));
        s.type(QStringLiteral("5"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, conflictMessage(Conflict::Added, false)}));
        QCOMPARE(s.database().queryValue(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ WHERE 項目No = 700")).toInt(), 1);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 700).toString(), QStringLiteral("他端末"));
        // The list was read again and shows the other workstation's item.
        QCOMPARE(f->GRID->textMatrix(s.listRowOf(QStringLiteral("700")), 2), QStringLiteral("他端末"));
        QVERIFY(s.inHead());
    }

    void nullsAndUnknownAttributesListAsEmptyCells() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        s.database().run(QStringLiteral(
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (900, NULL, 'Q', NULL, NULL)"));
        loadItemList();
        const int row = s.listRowOf(QStringLiteral("900"));
        QVERIFY(row > 0);
        for (int c = 2; c <= 6; ++c)
            if (c != 3) QCOMPARE(s.f()->GRID->textMatrix(row, c), QString());
        QCOMPARE(s.f()->GRID->textMatrix(row, 3), QStringLiteral("Q"));
        QVERIFY(screenState().listLoaded != False);
    }

    void listHoldsEveryRowBeyondSixteenBits() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        const QString generate = s.database().isPostgres()
            ? QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                             "SELECT 1000 + i, '項目' || i, 'X', 10, 0 FROM generate_series(1, 33000) AS i")
            : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000) "
                             "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                             "SELECT 1000 + i, '項目' || i, 'X', 10, 0 FROM n");
        s.database().run(generate);
        loadItemList();
        QCOMPARE(screenState().listRowCount, s.itemCount());
        QVERIFY(screenState().listRowCount > 32766);
        QCOMPARE(s.f()->GRID->textMatrix(screenState().listRowCount, 1), QStringLiteral("34000"));
    }
};

QTEST_MAIN(TestItemScreen)
#include "test_item_screen.moc"
