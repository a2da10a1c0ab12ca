// Another workstation holding a lock on the item table: the save and the delete wait a bounded
// time (the data source's lock time-out), then tell the operator why; the entry stays, and the
// window works on once the lock is gone.
#include "item_screen.h"

#include "odbc.h"
#include "stderr_capture.h"

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");
const QString deleteQuestion = QStringLiteral("削除してよろしいですか");
const QString busy = db::causeSentence(db::Cause::Busy);

// A second workstation with a write of its own on item 50 left uncommitted.
class LockHolder {
public:
    explicit LockHolder(TestDatabase& d)
        : environment_(QStringLiteral("WS09"), d.userId(), d.password()), connection_(environment_) {
        connection_.open(QStringLiteral("DSN=%1;UID=%2;PWD=%3;").arg(d.dataSource(), d.userId(), d.password()));
        connection_.begin();
        db::Statement s(connection_);
        s.execDirect(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = 長さ WHERE 項目No = 50"));
    }
    void release() {
        if (!connection_.isOpen()) return;
        connection_.rollback();
        connection_.close();
    }
    ~LockHolder() { release(); }

private:
    db::Environment environment_;
    db::Connection connection_;
};
}  // namespace

class TestItemLocks : public QObject {
    Q_OBJECT

private slots:
    // The save waits once, under the hourglass, for the data source's lock time-out; then the
    // operator reads why, and the entry stays as typed. The same Enter and Yes store it once the
    // other workstation lets go.
    void lockedRowKeepsTheEntryUntilItIsFreed() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        auto holder = std::make_unique<LockHolder>(s.database());

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("待たされた"));
        s.tk().answer(vbYes);
        s.tk().pointerCodes.clear();
        StderrCapture log;
        s.press(Qt::Key_Escape);
        const QString logged = log.text();
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, updateCancelled + QLatin1Char('\n') + busy}));
        // One wait: after the refusal nothing else asks for the lock (the list is not read again).
        QCOMPARE(logged.count(QStringLiteral("R205730: database: [")), 1);
        QVERIFY(s.tk().pointerCodes.contains(vbHourglass));
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("待たされた"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("伝票番号"));

        holder->release();
        s.tk().boxes.clear();
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("待たされた"));
        QVERIFY(s.inHead());
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    void lockedRowRefusesTheDeleteThenDeletesWhenFreed() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const int before = s.itemCount();
        auto holder = std::make_unique<LockHolder>(s.database());

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        s.tk().answer(vbOK);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts(), (QStringList{deleteQuestion, updateCancelled + QLatin1Char('\n') + busy}));
        QCOMPARE(s.tk().endCount, 0);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));  // the entry stays open

        holder->release();
        QCOMPARE(s.itemCount(), before);
        QVERIFY(s.listRowOf(QStringLiteral("50")) > 0);
        s.tk().boxes.clear();
        s.tk().answer(vbOK);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts(), QStringList{deleteQuestion});
        QCOMPARE(s.itemCount(), before - 1);
        QVERIFY(s.inHead());
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }
};

QTEST_MAIN(TestItemLocks)
#include "test_item_locks.moc"
