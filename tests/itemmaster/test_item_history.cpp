// The history of the item master: exactly one row for each write that was made, none for one that
// was not; a history that cannot be written stops the write; a database without the table works
// as before; an earlier version comes back only through the entry fields and the save question.
#include "item_screen.h"
#include "stderr_capture.h"

#include "itemmaster/history_dialog.h"

#include <QTableWidget>

using namespace platform;

namespace {

const QString historyColumns = QStringLiteral(
    "操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ, 変更前小数部長さ, 変更後データ項目名, 変更後属性, "
    "変更後長さ, 変更後小数部長さ, 担当者コード, 端末名, 記録元");

QList<QStringList> historyRows(TestDatabase& d) {
    return d.queryRows(QStringLiteral("SELECT %1 FROM FL1901項目情報マスタ履歴 ORDER BY 履歴No").arg(historyColumns));
}

// A history row as the test writes it: empty cells are NULL.
QStringList row(const QString& line) {
    QStringList cells = line.split(QLatin1Char('|'));
    for (QString& c : cells)
        if (c.isEmpty()) c = QString();
    return cells;
}

// Opens a stored item from the search field.
void openItem(ItemScreen& s, const QString& number) {
    ShownScreen::focus(s.f()->Kensaku);
    s.f()->Kensaku->clear();
    s.type(number);
    s.press(Qt::Key_Return);
}

// Saves the entry on screen: Esc asks the save question, Yes stores it.
void saveEntry(ItemScreen& s) {
    s.tk().answer(vbYes);
    s.press(Qt::Key_Escape);
}

void revokeHistoryInsert(TestDatabase& d) {
    if (d.isPostgres())
        d.run(QStringLiteral("REVOKE INSERT ON FL1901項目情報マスタ履歴 FROM %1").arg(d.userId()));
    else  // SQLite has no privileges: the table refuses rows as a role without INSERT would
        d.run(QStringLiteral("CREATE TRIGGER 履歴拒否 BEFORE INSERT ON FL1901項目情報マスタ履歴 "
                             "BEGIN SELECT RAISE(ABORT, 'not authorized'); END"));
}

void grantHistoryInsert(TestDatabase& d) {
    if (d.isPostgres()) d.run(QStringLiteral("GRANT INSERT ON FL1901項目情報マスタ履歴 TO %1").arg(d.userId()));
    else d.run(QStringLiteral("DROP TRIGGER 履歴拒否"));
}

}  // namespace

class TestItemHistory : public QObject {
    Q_OBJECT

private slots:
    // An addition, a change and a deletion: one row each, in order, with the values before and
    // after, the operator and the workstation. A save refused for another workstation's change
    // writes no row.
    void everyWriteHasExactlyOneRow() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        s.startAdding();
        s.type(QStringLiteral("900"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("受注番号"));
        s.press(Qt::Key_Return);
        s.type(QStringLiteral("X"));  // a full field moves on by itself
        s.type(QStringLiteral("12"));
        saveEntry(s);
        QVERIFY(s.inHead());
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 900).toString(), QStringLiteral("受注番号"));

        openItem(s, QStringLiteral("900"));
        f->Koumoku_NM->setText(QStringLiteral("受注番号２"));
        f->Nagasa->setText(QStringLiteral("14"));
        saveEntry(s);

        // Changed behind the screen's back: the save is refused and leaves no row.
        openItem(s, QStringLiteral("900"));
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 15 WHERE 項目No = 900"));
        f->Koumoku_NM->setText(QStringLiteral("上書きしない"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);  // the refusal
        s.press(Qt::Key_Escape);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 900).toString(), QStringLiteral("受注番号２"));

        openItem(s, QStringLiteral("900"));
        s.tk().answer(vbOK);
        s.press(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(s.itemCount(), s.database().queryValue(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ WHERE 項目No <> 900")).toInt());

        // The change behind the screen's back was another program's: no row of ours.
        const QList<QStringList> expected{
            row(QStringLiteral("追加|900||||||受注番号|X|12|0|0001|WS01|R205730")),
            row(QStringLiteral("変更|900|900|受注番号|X|12|0|受注番号２|X|14|0|0001|WS01|R205730")),
            row(QStringLiteral("削除|900|900|受注番号２|X|15|0|||||0001|WS01|R205730")),
        };
        QCOMPARE(historyRows(s.database()), expected);
        const QVariant recorded = s.database().queryValue(QStringLiteral("SELECT MAX(記録日時) FROM FL1901項目情報マスタ履歴"));
        QVERIFY(!recorded.isNull());
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // The table is there but takes no rows (a role without INSERT): the save and the delete are
    // refused with a message that names the history, nothing is written, and the entry stays to be
    // saved once the privilege is given.
    void aHistoryThatCannotBeWrittenStopsTheWrite() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        revokeHistoryInsert(s.database());
        openItem(s, QStringLiteral("10"));
        const QString before = s.stored(QStringLiteral("データ項目名"), 10).toString();
        f->Koumoku_NM->setText(QStringLiteral("履歴なしの変更"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);  // the refusal
        s.press(Qt::Key_Escape);
        QVERIFY(s.tk().boxes.last().text.contains(QStringLiteral("履歴を書き込めない")));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), before);
        QVERIFY(!s.inHead());
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("履歴なしの変更"));

        s.tk().answer(vbOK);  // the delete question
        s.tk().answer(vbOK);  // its refusal
        s.press(Qt::Key_D, Qt::AltModifier);
        QVERIFY(s.tk().boxes.last().text.contains(QStringLiteral("履歴を書き込めない")));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), before);
        QCOMPARE(historyRows(s.database()), QList<QStringList>{});

        grantHistoryInsert(s.database());
        ShownScreen::focus(f->Nagasa);
        saveEntry(s);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), QStringLiteral("履歴なしの変更"));
        QCOMPARE(historyRows(s.database()).size(), 1);
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // A database made before the history: said once at start-up, and every write works as before.
    void aDatabaseWithoutTheHistoryWorksAsBefore() {
        StderrCapture log;
        ItemScreen s([](TestDatabase& d) { d.run(QStringLiteral("DROP TABLE FL1901項目情報マスタ履歴")); });
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        openItem(s, QStringLiteral("10"));
        f->Koumoku_NM->setText(QStringLiteral("履歴の表なし"));
        saveEntry(s);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), QStringLiteral("履歴の表なし"));
        openItem(s, QStringLiteral("10"));
        s.tk().answer(vbOK);
        s.press(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(s.tk().boxes.last().text.contains(QStringLiteral("履歴の表がない")));
        const QString said = log.text();
        QCOMPARE(said.count(QStringLiteral("no table FL1901項目情報マスタ履歴")), 1);
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // Ctrl+H shows the item's writes newest first with the changed values marked; the version
    // chosen goes into the fields only, and the save question stores it with a row of its own.
    void anEarlierVersionComesBackThroughTheSaveQuestion() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        openItem(s, QStringLiteral("10"));
        const QString original = f->Koumoku_NM->text();
        const QString originalLength = f->Nagasa->text();
        f->Koumoku_NM->setText(QStringLiteral("一度目"));
        saveEntry(s);
        openItem(s, QStringLiteral("10"));
        f->Koumoku_NM->setText(QStringLiteral("二度目"));
        f->Nagasa->setText(QStringLiteral("7"));
        saveEntry(s);

        openItem(s, QStringLiteral("10"));
        s.press(Qt::Key_H, Qt::ControlModifier);
        HistoryDialog* h = shownHistory();
        QVERIFY(h);
        QCOMPARE(h->table->rowCount(), 2);
        QCOMPARE(h->table->item(0, 4)->text(), QStringLiteral("二度目"));
        QCOMPARE(h->table->item(1, 4)->text(), QStringLiteral("一度目"));
        QVERIFY(h->table->item(0, 4)->font().bold());
        QVERIFY(h->table->item(0, 6)->font().bold());   // the length changed too
        QVERIFY(!h->table->item(0, 5)->font().bold());  // the attribute did not
        QCOMPARE(h->table->item(0, 2)->text(), QStringLiteral("0001"));
        QCOMPARE(h->table->item(0, 3)->text(), QStringLiteral("WS01"));

        // The first change's version: into the fields, nothing written yet.
        h->table->selectRow(1);
        QTest::mouseClick(h->bringBack, Qt::LeftButton);
        QApplication::processEvents();
        QVERIFY(!shownHistory());
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("一度目"));
        QCOMPARE(f->Nagasa->text(), originalLength);
        QCOMPARE(QApplication::focusWidget(), f->Koumoku_NM);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), QStringLiteral("二度目"));
        QCOMPARE(historyRows(s.database()).size(), 2);
        saveEntry(s);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), QStringLiteral("一度目"));
        const QList<QStringList> rows = historyRows(s.database());
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.last().mid(3, 1), QStringList{QStringLiteral("二度目")});
        QCOMPARE(rows.last().mid(7, 1), QStringList{QStringLiteral("一度目")});
        Q_UNUSED(original);
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // The database's clock in UTC, shown in the workstation's local time (Tokyo here: UTC+9).
    void theTimeIsKeptInUtcAndShownInLocalTime() {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Asia/Tokyo");
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        openItem(s, QStringLiteral("10"));
        s.f()->Koumoku_NM->setText(QStringLiteral("時刻"));
        saveEntry(s);
        const QString stored = s.database().queryValue(QStringLiteral("SELECT CAST(記録日時 AS VARCHAR(30)) FROM FL1901項目情報マスタ履歴")).toString();
        QDateTime utc = QDateTime::fromString(stored.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        utc.setTimeSpec(Qt::UTC);
        QVERIFY2(qAbs(utc.secsTo(QDateTime::currentDateTimeUtc())) < 600, qPrintable(stored));
        openItem(s, QStringLiteral("10"));
        s.press(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(shownHistory());
        QCOMPARE(shownHistory()->table->item(0, 0)->text(), utc.addSecs(9 * 3600).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
        shownHistory()->reject();
        if (zone.isNull()) qunsetenv("TZ");
        else qputenv("TZ", zone);
    }

    // A version brought back is still checked against the row as it was opened: another
    // workstation's change since is never overwritten, and no row is written for it.
    void aVersionBroughtBackKeepsTheRowCheck() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        openItem(s, QStringLiteral("10"));
        f->Koumoku_NM->setText(QStringLiteral("版一"));
        saveEntry(s);
        openItem(s, QStringLiteral("10"));
        s.press(Qt::Key_H, Qt::ControlModifier);
        HistoryDialog* h = shownHistory();
        QVERIFY(h);
        QCOMPARE(h->table->rowCount(), 1);
        QTest::keyClick(h->table, Qt::Key_Return);
        QApplication::processEvents();
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET データ項目名 = '他の端末' WHERE 項目No = 10"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);  // the refusal
        s.press(Qt::Key_Escape);
        QVERIFY(s.tk().boxes.last().text.contains(QStringLiteral("他の端末でこの項目が変更された")));
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), QStringLiteral("他の端末"));
        QCOMPARE(historyRows(s.database()).size(), 1);
    }

    // A deleted item, reached from the search field by its number: its last version comes back as
    // a new item of that number, added through the save question.
    void aDeletedItemComesBackAsANewItem() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        F_R205730* f = s.f();
        openItem(s, QStringLiteral("10"));
        const QStringList stored{f->Koumoku_NM->text(), f->Zokusei->text(), f->Nagasa->text()};
        s.tk().answer(vbOK);
        s.press(Qt::Key_D, Qt::AltModifier);
        QVERIFY(s.stored(QStringLiteral("項目No"), 10).isNull());

        QVERIFY(s.inHead());
        f->Kensaku->setText(QStringLiteral("10"));
        s.press(Qt::Key_H, Qt::ControlModifier);
        HistoryDialog* h = shownHistory();
        QVERIFY(h);
        QCOMPARE(h->table->item(0, 1)->text(), QStringLiteral("削除"));
        QTest::mouseClick(h->bringBack, Qt::LeftButton);
        QApplication::processEvents();
        QCOMPARE(screenState().newItemFlag, Int16(1));
        QCOMPARE(f->Koumoku->text(), QStringLiteral("10"));
        QCOMPARE((QStringList{f->Koumoku_NM->text(), f->Zokusei->text(), f->Nagasa->text()}), stored);
        QVERIFY(s.stored(QStringLiteral("項目No"), 10).isNull());
        saveEntry(s);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 10).toString(), stored[0]);
        const QList<QStringList> rows = historyRows(s.database());
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.last().first(), QStringLiteral("追加"));
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // With the trigger for other programs installed: their writes get one row each (an update that
    // changes nothing, none), and the program's own writes still exactly one.
    void theTriggerRecordsOtherProgramsOnly() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        workarea.operatorCode = QStringLiteral("0001");
        if (!s.database().isPostgres()) QSKIP("SQLite cannot tell writers apart: it has no trigger");
        s.database().runFile(TestDatabase::schemaFolder() + QStringLiteral("/history-trigger-postgresql.sql"));
        F_R205730* f = s.f();
        openItem(s, QStringLiteral("10"));
        f->Koumoku_NM->setText(QStringLiteral("画面から"));
        saveEntry(s);
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 30 WHERE 項目No = 10"));
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 30 WHERE 項目No = 10"));
        s.database().run(QStringLiteral("INSERT INTO FL1901項目情報マスタ VALUES (901, '他から', 'X', 3, 0)"));
        openItem(s, QStringLiteral("901"));
        s.tk().answer(vbOK);
        s.press(Qt::Key_D, Qt::AltModifier);
        const QList<QStringList> rows = historyRows(s.database());
        QStringList summary;
        for (const QStringList& r : rows) summary << r[0] + r[1] + r.last();
        QCOMPARE(summary, (QStringList{QStringLiteral("変更10R205730"), QStringLiteral("変更10他のプログラム"),
                                       QStringLiteral("追加901他のプログラム"), QStringLiteral("削除901R205730")}));
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }
};

QTEST_MAIN(TestItemHistory)
#include "test_item_history.moc"
