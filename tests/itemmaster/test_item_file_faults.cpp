// The SQLite file failing under the screen, made for real: another program holding its write lock,
// the disk full, the file damaged, a backup put back in its place. The operator reads what
// happened in one sentence, the program stays up, a confirmed entry stays on screen, and once the
// cause is gone the same keys carry on.
#include "item_screen.h"

#include "db/db.h"
#include "fault_harness.h"
#include "stderr_capture.h"
#include "startup/startup.h"

#include <QProcess>

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");

// One value read by the sqlite3 shell, as another program sees the file at that path now.
QString sqliteValue(const QString& file, const QString& sql) {
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {file, sql});
    if (!shell.waitForFinished(30000) || shell.exitCode() != 0) return QStringLiteral("(sqlite3 failed)");
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

QString storedName(const QString& file, int item) {
    return sqliteValue(file, QStringLiteral("SELECT データ項目名 FROM FL1901項目情報マスタ WHERE 項目No = %1").arg(item));
}

void openItem50(ItemScreen& s, const QString& name) {
    ShownScreen::focus(s.f()->Kensaku);
    s.type(QStringLiteral("50"));
    s.press(Qt::Key_Return);
    s.f()->Koumoku_NM->setText(name);
}
}  // namespace

class TestItemFileFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (TestDatabase::engineFromEnvironment() != TestDatabase::Engine::SQLite) QSKIP("SQLite files only");
    }

    // A search while another program holds the write lock waits the data source's time, then says
    // so; the program stays up and finds the item once the lock is gone.
    void aSearchUnderAnotherProgramsLockIsToldAndWorksOnceFree() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        auto holder = std::make_unique<faults::SqliteLockHolder>(s.database().databaseName());
        const int pointer = mousePointer();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        QCOMPARE(s.tk().boxTexts(), QStringList{db::causeSentence(db::Cause::Busy)});
        QCOMPARE(s.tk().endCount, 0);
        QVERIFY(s.inHead());
        QVERIFY(s.tk().pointerCodes.contains(vbHourglass));
        QCOMPARE(mousePointer(), pointer);

        holder->release();
        s.tk().boxes.clear();
        ShownScreen::focus(s.f()->Kensaku);
        s.press(Qt::Key_Return);
        QVERIFY(s.tk().boxes.isEmpty());
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.f()->Koumoku_NM->text(), QStringLiteral("伝票番号"));
    }

    // The disk fills while the operator reads the save question: nothing is stored, the operator
    // reads why, the entry stays; given room, the same Esc and Yes store it.
    void aFullDiskKeepsTheEntryUntilThereIsRoom() {
        faults::SmallFileSystem disk(2 << 20);
        QVERIFY2(disk.isReady(), qPrintable(disk.problem()));
        TestDatabase::placeSqliteIn(disk.path());
        ItemScreen s;
        TestDatabase::placeSqliteIn(QString());
        REQUIRE_TEST_DATABASE(s.database());
        const QString file = s.database().databaseName();
        openItem50(s, QStringLiteral("満杯の後"));
        s.tk().whileShown = [&disk](const ShownBox& box) {
            if (box.text == saveQuestion) disk.fill();
        };
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(),
                 (QStringList{saveQuestion, updateCancelled + QLatin1Char('\n') + db::causeSentence(db::Cause::Full)}));
        QCOMPARE(s.tk().endCount, 0);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.f()->Koumoku_NM->text(), QStringLiteral("満杯の後"));
        QCOMPARE(storedName(file, 50), QStringLiteral("伝票番号"));

        s.tk().whileShown = {};
        disk.makeRoom();
        s.tk().boxes.clear();
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(storedName(file, 50), QStringLiteral("満杯の後"));
        QVERIFY(s.inHead());
        closeDatabase();
    }

    // A damaged file: at start-up the design's message, and the log names the cause; while the
    // program runs, a read that meets the damage says so instead of showing nothing.
    void aDamagedFileIsNamed() {
        {
            ItemScreen s;
            REQUIRE_TEST_DATABASE(s.database());
            faults::damageFile(s.database().databaseName());
            ShownScreen::focus(s.f()->Kensaku);
            s.type(QStringLiteral("50"));
            s.press(Qt::Key_Return);
            QCOMPARE(s.tk().boxTexts(), QStringList{db::causeSentence(db::Cause::Damaged)});
            QCOMPARE(s.tk().endCount, 0);
        }
        TestDatabase database;
        database.loadSampleData();
        faults::damageFile(database.databaseName());
        ScriptedToolkitScope scope;
        database.configureWorkArea();
        setSampleAppearance();
        StderrCapture log;
        try {
            openDatabase();
            workarea.mainForm = new F_R205730(confirmExit);
            applyAppearance();
            QFAIL("a damaged database started");
        } catch (const ProgramEnded&) {
        }
        const QString logged = log.text();
        QCOMPARE(scope.tk.boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
        QVERIFY2(logged.contains(db::causeDescription(db::Cause::Damaged)), qPrintable(logged));
    }

    // A backup is put back in the file's place while the program runs: the next action opens the
    // file now at the path, shows what it holds and saves into it.
    void aFilePutBackIsOpenedByTheNextAction() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        const QString file = s.database().databaseName();
        QTemporaryDir elsewhere;
        const QString backup = elsewhere.filePath(QStringLiteral("backup.sqlite"));
        QVERIFY(QFile::copy(file, backup));
        s.database().run(QStringLiteral("UPDATE FL1901項目情報マスタ SET データ項目名 = '後で変えた' WHERE 項目No = 50"));
        loadItemList();
        faults::replaceFile(file, backup);

        openItem50(s, QStringLiteral("戻した後"));
        QCOMPARE(screenState().openedItem.shown.value(1), QStringLiteral("伝票番号"));
        // The list is read again from the file now there.
        QCOMPARE(s.f()->GRID->textMatrix(s.listRowOf(QStringLiteral("50")), 2), QStringLiteral("伝票番号"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(storedName(file, 50), QStringLiteral("戻した後"));
        QCOMPARE(s.tk().endCount, 0);
    }
};

QTEST_MAIN(TestItemFileFaults)
#include "test_item_file_faults.moc"
