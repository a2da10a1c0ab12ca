// Each entry field's check with its limits and messages, on the item screen over the sample data.
#include "item_screen.h"

using namespace platform;

namespace {
const QString overLimit = QStringLiteral("長さが上限を超えています");
const QString dateLength = QStringLiteral("年月日の場合,長さは「6」か「8」のみ入力可能です");
const QString noNumber = QStringLiteral("項目Noが入力されていません");
}  // namespace

class TestItemChecks : public QObject {
    Q_OBJECT

    // Runs the length check for an attribute and a length; the messages it showed.
    static QStringList lengthCheck(ItemScreen& s, const QString& attribute, const QString& length, Int16& result) {
        s.f()->Zokusei->setText(attribute);
        s.f()->Nagasa->setText(length);
        s.tk().boxes.clear();
        result = Int16(checkLength());
        return s.tk().boxTexts();
    }

private slots:
    void lengthLimitsByAttribute_data() {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("message");
        QTest::newRow("9 at 30") << "9" << "30" << "";
        QTest::newRow("9 at 31") << "9" << "31" << overLimit;
        QTest::newRow("N at 31") << "N" << "31" << overLimit;
        QTest::newRow("X at 4000") << "X" << "4000" << "";
        QTest::newRow("X at 4001") << "X" << "4001" << overLimit;
        QTest::newRow("B at 4001") << "B" << "4001" << overLimit;
        QTest::newRow("K at 4001") << "K" << "4001" << overLimit;
        QTest::newRow("Y at 6") << "Y" << "6" << "";
        QTest::newRow("Y at 8") << "Y" << "8" << "";
        QTest::newRow("Y at 7") << "Y" << "7" << dateLength;
        QTest::newRow("other code, no limit") << "T" << "9999" << "";
        QTest::newRow("empty length passes") << "9" << "" << "";
    }
    void lengthLimitsByAttribute() {
        QFETCH(QString, attribute);
        QFETCH(QString, length);
        QFETCH(QString, message);
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        Int16 result = 0;
        const QStringList shown = lengthCheck(s, attribute, length, result);
        QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(result, Int16(message.isEmpty() ? 0 : 9));
        if (!message.isEmpty()) QCOMPARE(s.tk().boxes[0].style, vbOKOnly | vbExclamation);
    }

    void attributeRules() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        Int16 result = 0;

        // A date without a length becomes a full year-month-day.
        QCOMPARE(lengthCheck(s, QStringLiteral("Y"), QString(), result), QStringList());
        QCOMPARE(f->Nagasa->text(), QStringLiteral("8"));
        QCOMPARE(f->lbl_zokusei->caption(), QStringLiteral("日付"));

        // M is refused whatever the classification master holds, and its name is cleared.
        f->lbl_zokusei->setCaption(QStringLiteral("前の名前"));
        f->Zokusei->setText(QStringLiteral("M"));
        s.tk().boxes.clear();
        result = Int16(checkAttribute());
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("該当データがありません")});
        QCOMPARE(s.tk().boxes[0].style, vbOKOnly);
        QCOMPARE(result, Int16(9));
        QCOMPARE(f->lbl_zokusei->caption(), QString());

        // A code the master does not know: the lookup's own message.
        f->Zokusei->setText(QStringLiteral("Z"));
        s.tk().boxes.clear();
        result = Int16(checkAttribute());
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("該当データがありませんでした")});
        QCOMPARE(result, Int16(9));
    }

    void emptyAttributeSendsTheLengthBackToIt() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        f->Nagasa->setText(QStringLiteral("10"));
        s.focus(f->Nagasa);
        s.tk().answer(vbOK);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("属性が入力されていません")});
        QCOMPARE(s.tk().boxes[0].style, vbOKOnly);
        QCOMPARE(s.focused(), f->Zokusei);
    }

    void decimalPartNotAboveTheLength() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        f->Nagasa->setText(QStringLiteral("4"));
        for (const auto& [decimals, expected] : {std::pair{"5", 9}, std::pair{"4", 0}, std::pair{"", 0}}) {
            f->Nagasa_S->setText(QString::fromLatin1(decimals));
            Int16 result = 0;
            result = Int16(checkDecimalLength());
            QCOMPARE(result, Int16(expected));
        }
        QCOMPARE(s.tk().boxTexts(), QStringList{overLimit});
    }

    void newItemNumberRules() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        for (const char* zero : {"0", "00", "000"}) {
            f->Koumoku->setText(QString::fromLatin1(zero));
            Int16 result = 0;
            result = Int16(checkItemNumber());
            QCOMPARE(result, Int16(9));
        }
        QCOMPARE(s.tk().boxTexts(), (QStringList{noNumber, noNumber, noNumber}));

        f->Koumoku->clear();
        s.tk().boxes.clear();
        Int16 result = 0;
        result = Int16(checkItemNumber());
        QCOMPARE(s.tk().boxTexts(), QStringList{noNumber});

        f->Koumoku->setText(QStringLiteral("010"));  // item 10 exists
        s.tk().boxes.clear();
        result = Int16(checkItemNumber());
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("項目Noが重複しています")});
        QCOMPARE(f->Koumoku->text(), QStringLiteral("10"));

        f->Koumoku->setText(QStringLiteral("007"));
        result = 9;
        result = Int16(checkItemNumber());
        QCOMPARE(result, Int16(0));
        QCOMPARE(f->Koumoku->text(), QStringLiteral("7"));

        // An existing item's number is never tested or changed.
        screenState().newItemFlag = 0;
        f->Koumoku->setText(QStringLiteral("010"));
        result = 0;
        result = Int16(checkItemNumber());
        QCOMPARE(f->Koumoku->text(), QStringLiteral("010"));
        QCOMPARE(result, Int16(0));
    }

    void nameIsRequired() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        s.f()->Koumoku_NM->setText(QStringLiteral("   "));
        Int16 result = 0;
        result = Int16(checkItemName());
        QCOMPARE(result, Int16(9));
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("項目名が入力されていません")});
    }

    void f2SkipsTheNextCheckOnce() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        // F2, then a field typed full: its check is skipped, so 0 passes without a message.
        s.press(Qt::Key_F2);
        s.type(QStringLiteral("000000"));
        QVERIFY(s.tk().boxes.isEmpty());
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(workarea.skipNextCheck, False);
        // F2, then Enter: Enter clears the skip first, so the check runs.
        f->Koumoku->setText(QStringLiteral("0"));
        s.focus(f->Koumoku);
        s.press(Qt::Key_F2);
        s.tk().answer(vbOK);
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{noNumber});
        QCOMPARE(s.focused(), f->Koumoku);
        QCOMPARE(f->Koumoku->selectedText(), f->Koumoku->text());
    }

    // F2's own key-up in a full field is no typing: the skip is still there for Esc.
    void f2InAFullFieldThenEscLeavesWithoutAsking() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.type(QStringLiteral("21"));
        s.press(Qt::Key_Return);
        f->Zokusei->setFocus();
        QCOMPARE(f->Zokusei->selectedText(), f->Zokusei->text());  // full, all selected
        s.press(Qt::Key_F2);
        QCOMPARE(workarea.skipNextCheck, True);
        s.press(Qt::Key_Escape);
        QVERIFY(s.tk().boxes.isEmpty());
        QVERIFY(s.inHead());
    }

    void allFieldsStopAtTheFirstFailure() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        s.startAdding();
        f->Koumoku->setText(QStringLiteral("800"));
        f->Koumoku_NM->setText(QStringLiteral("名称"));
        f->Zokusei->setText(QStringLiteral("X"));
        f->Nagasa->setText(QStringLiteral("5000"));
        f->Nagasa_S->setText(QStringLiteral("99"));  // not tested: X has no decimal part
        Int16 result = 0;
        result = Int16(checkAllFields());
        QCOMPARE(result, Int16(9));
        QCOMPARE(s.tk().boxTexts(), QStringList{overLimit});
        QCOMPARE(s.focused(), f->Nagasa);
        QCOMPARE(f->Nagasa->selectedText(), QStringLiteral("5000"));
    }

    void searchInAnEmptyListStaysInTheSearchField() {
        ShownScreen s;  // no items at all
        REQUIRE_TEST_DATABASE(s.database());
        Int16 result = 0;
        result = Int16(searchItem());
        QCOMPARE(result, Int16(9));
        QVERIFY(s.tk().boxes.isEmpty());
        QCOMPARE(workarea.screenMode, QStringLiteral("HEAD"));
        QCOMPARE(s.form()->GRID->textMatrix(0, 2), QStringLiteral(" 項目名 "));  // titles of an empty table
    }

    void statementsRefuseWhatIsNoNumber() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        // An item number that is no number never reaches a statement: the save is refused.
        s.startAdding();
        f->Koumoku->setText(QStringLiteral("1 OR 1=1"));
        f->Koumoku_NM->setText(QStringLiteral("x"));
        f->Zokusei->setText(QStringLiteral("X"));
        const int before = s.itemCount();
        Int16 result = 0;
        result = Int16(saveItem());
        QCOMPARE(result, Int16(9));
        QCOMPARE(s.tk().boxTexts(), QStringList{QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました")});
        QCOMPARE(s.itemCount(), before);
    }
};

QTEST_MAIN(TestItemChecks)
#include "test_item_checks.moc"
