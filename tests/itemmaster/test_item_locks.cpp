// Another workstation holding a lock on the item table: the save and the delete wait a bounded
// time (the data source's lock time-out), then tell the operator, and the window stays usable.
#include "item_screen.h"

#include "odbc.h"

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");
const QString deleteQuestion = QStringLiteral("削除してよろしいですか");

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
    void lockedRowRefusesSaveAndDeleteThenWorksWhenFreed() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        const int before = s.itemCount();
        auto holder = std::make_unique<LockHolder>(s.database());

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("待たされた"));
        s.tk().answer(vbYes);
        s.tk().answer(vbOK);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, updateCancelled}));
        QVERIFY(s.inHead());

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        s.tk().answer(vbOK);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts().mid(2), (QStringList{deleteQuestion, updateCancelled}));
        QCOMPARE(s.tk().endCount, 0);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));  // the entry stays open

        holder->release();
        QCOMPARE(s.itemCount(), before);
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("伝票番号"));
        QVERIFY(s.listRowOf(QStringLiteral("50")) > 0);

        // The same window deletes once the other workstation lets go.
        s.tk().answer(vbOK);
        QTest::mouseClick(f->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts().mid(4), QStringList{deleteQuestion});
        QCOMPARE(s.itemCount(), before - 1);
        QVERIFY(s.inHead());
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }
};

QTEST_MAIN(TestItemLocks)
#include "test_item_locks.moc"
