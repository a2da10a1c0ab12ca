// Another workstation between opening an item and saving or deleting it: the write happens only
// while the row is still what the screen showed; otherwise nothing is written, the operator is
// told in one sentence, and the list is read again.
#include "item_screen.h"

using namespace platform;

namespace {
const QString saveQuestion = QStringLiteral("この内容で更新しますか");
const QString deleteQuestion = QStringLiteral("削除してよろしいですか");

// Opens item 50 (伝票番号, attribute X) by the search and changes its name.
void openAndRename(ItemScreen& s, const QString& name) {
    s.type(QStringLiteral("50"));
    s.press(Qt::Key_Return);
    QCOMPARE(s.f()->Koumoku_NM->text(), QStringLiteral("伝票番号"));
    s.f()->Koumoku_NM->selectAll();
    s.type(name);
}

void saveWithEsc(ItemScreen& s) {
    s.tk().answer(vbYes);
    s.tk().answer(vbOK);
    s.press(Qt::Key_Escape);
}
}  // namespace

class TestItemWorkstations : public QObject {
    Q_OBJECT

private slots:
    void aChangeMadeMeanwhileIsNeverOverwritten() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        openAndRename(s, QStringLiteral("自分の名前"));
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET データ項目名 = '他端末の名前' WHERE 項目No = 50"));
        saveWithEsc(s);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, conflictMessage(Conflict::Changed, false)}));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("他端末の名前"));
        // The list was read again: it shows the other workstation's name.
        QCOMPARE(s.f()->GRID->textMatrix(s.listRowOf(QStringLiteral("50")), 2), QStringLiteral("他端末の名前"));
        QVERIFY(s.inHead());
    }

    // Opened from the list, the item is compared with what the list showed: a change made after
    // the list was read counts, though the operator opened the item later.
    void theListShowsWhatAnItemOpenedFromItIsComparedWith() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 12 WHERE 項目No = 50"));
        const int row = s.listRowOf(QStringLiteral("50"));
        f->GRID->setTopRow(row);
        QTest::mouseClick(f->GRID->viewport(), Qt::LeftButton, {},
                          f->GRID->visualRect(f->GRID->model()->index(row - 1, 2)).center());
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Nagasa->text(), QStringLiteral("10"));  // as listed
        f->Koumoku_NM->setFocus();
        saveWithEsc(s);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, conflictMessage(Conflict::Changed, false)}));
        QCOMPARE(s.stored(QStringLiteral("長さ"), 50).toInt(), 12);
    }

    void anItemDeletedMeanwhileIsNotBroughtBack() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        openAndRename(s, QStringLiteral("消えた後"));
        s.database().run(QStringLiteral("DELETE FROM FL1901項目情報マスタ WHERE 項目No = 50"));
        saveWithEsc(s);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, conflictMessage(Conflict::Deleted, false)}));
        QVERIFY(s.stored(QStringLiteral("データ項目名"), 50).isNull());
        QCOMPARE(s.listRowOf(QStringLiteral("50")), 0);
    }

    // A delete removes the row shown, unchanged, or nothing.
    void aDeleteRemovesOnlyTheRowShownUnchanged() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 小数部長さ = 3 WHERE 項目No = 50"));
        s.tk().answer(vbOK);
        s.tk().answer(vbOK);
        QTest::mouseClick(s.f()->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts(), (QStringList{deleteQuestion, conflictMessage(Conflict::Changed, true)}));
        QCOMPARE(s.stored(QStringLiteral("小数部長さ"), 50).toInt(), 3);
        QVERIFY(s.inHead());

        // Opened again as it is now, it goes.
        const int before = s.itemCount();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        QTest::mouseClick(s.f()->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.itemCount(), before - 1);
    }

    // After the add command, the list moved with the arrows shows a stored item: from then on
    // the entry is that item's, its number closed, so no typed number can redirect the save.
    void theListAfterAddOpensAStoredItemWithItsNumberClosed() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const int otherNumber = f->GRID->textMatrix(2, 1).toInt();
        const QString otherName = f->GRID->textMatrix(2, 2);
        s.startAdding();
        f->GRID->setFocus();
        f->GRID->setRow(3);
        s.press(Qt::Key_Down);
        QCOMPARE(f->GRID->row(), 4);
        const QString shown = f->GRID->textMatrix(4, 1);
        QCOMPARE(f->Koumoku->text(), shown);
        QCOMPARE(screenState().newItemFlag, Int16(0));
        QVERIFY(!f->Koumoku->isEnabled());
        QVERIFY(f->Cmd_sakujyo->isEnabled());
        f->Koumoku_NM->setFocus();
        f->Koumoku_NM->selectAll();
        s.type(QStringLiteral("四行目の新しい名前"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), shown.toInt()).toString(), QStringLiteral("四行目の新しい名前"));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), otherNumber).toString(), otherName);
    }

    // A list that could not be read again holds no row that can be opened; the next search reads it.
    void aListLostAfterASaveIsReadAgainByTheNextSearch() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        TestDatabase& d = s.database();
        // While the save question is up, the list's join table goes away for a moment.
        s.tk().whileShown = [&d](const ShownBox& box) {
            if (box.text == saveQuestion) d.run(QStringLiteral("ALTER TABLE 区分マスタ RENAME TO 区分マスタ退避"));
        };
        openAndRename(s, QStringLiteral("読めない一覧"));
        saveWithEsc(s);
        QCOMPARE(s.tk().boxTexts(),
                 (QStringList{saveQuestion, QStringLiteral("一覧を読み込めませんでした。データベースへの接続を確認してください")}));
        QCOMPARE(screenState().listRowCount, 0);
        QCOMPARE(f->GRID->rows(), 1);
        QTest::mouseClick(f->GRID->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
        QVERIFY(s.inHead());

        s.tk().whileShown = {};
        d.run(QStringLiteral("ALTER TABLE 区分マスタ退避 RENAME TO 区分マスタ"));
        s.tk().boxes.clear();
        f->Kensaku->setFocus();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        QVERIFY(s.tk().boxes.isEmpty());
        QCOMPARE(screenState().listRowCount, s.itemCount());
        QCOMPARE(f->GRID->row(), s.listRowOf(QStringLiteral("50")));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("読めない一覧"));
    }
};

QTEST_MAIN(TestItemWorkstations)
#include "test_item_workstations.moc"
