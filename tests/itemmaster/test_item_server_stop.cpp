// The PostgreSQL server going away in the middle of a session, on a throwaway server of this
// test's own (the suite's shared server keeps running): the save and the delete tell the operator
// with the update-cancelled message and why, any other statement with why alone; the program stays
// up, a confirmed entry stays on screen, and once the server is back the same keys carry on.
#include "item_screen.h"

#include "db/db.h"

#include <QProcess>

#include <optional>

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString saveQuestion = QStringLiteral("この内容で更新しますか");
const QString deleteQuestion = QStringLiteral("削除してよろしいですか");
const QString lost = db::causeSentence(db::Cause::Lost);

// Runs a bash snippet with scripts/lib/pg.sh loaded; its standard output, or a failure.
QString pgShell(const QString& snippet) {
    QProcess bash;
    bash.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"),
                                        QStringLiteral("set -e; . '%1/scripts/lib/pg.sh'; ").arg(QStringLiteral(R205730_SOURCE_DIR)) +
                                            snippet});
    if (!bash.waitForFinished(120000) || bash.exitStatus() != QProcess::NormalExit || bash.exitCode() != 0)
        throw std::runtime_error("pg.sh failed: " + snippet.toStdString());
    return QString::fromUtf8(bash.readAllStandardOutput());
}

const QString serverOptions = QStringLiteral(
    "-o \"-c listen_addresses=127.0.0.1 -c port=$R205730_PG_PORT -c unix_socket_directories=$R205730_PG_DIR -c fsync=off\"");

// The server stopped for the lifetime of the object (fast: every session is cut), then started again.
struct ServerStopped {
    ServerStopped() {
        pgShell(QStringLiteral("pg_as_owner \"$(pg_bindir)/pg_ctl\" -D \"$R205730_PG_DIR/data\" -m fast -w stop >/dev/null"));
    }
    ~ServerStopped() {
        try {
            pgShell(QStringLiteral("pg_as_owner \"$(pg_bindir)/pg_ctl\" -D \"$R205730_PG_DIR/data\" -l \"$R205730_PG_DIR/server.log\" "
                                   "-w -t 30 %1 start >/dev/null").arg(serverOptions));
        } catch (const std::exception& e) {
            qWarning("%s", e.what());
        }
    }
};
}  // namespace

class TestItemServerStop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariable("R205730_PG_HOST").isEmpty()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) QFAIL("no PostgreSQL test server");
            QSKIP("no PostgreSQL test server");
        }
        // A server of this test's own: every TestDatabase of this process lives on it.
        const QString exports = pgShell(QStringLiteral(
            "pg_start >&2; for v in R205730_PG_DIR R205730_PG_HOST R205730_PG_PORT R205730_PG_USER R205730_PG_PASSWORD "
            "R205730_PG_DATABASE; do echo \"$v=${!v}\"; done"));
        for (const QString& line : exports.split('\n', Qt::SkipEmptyParts)) {
            const qsizetype eq = line.indexOf('=');
            qputenv(line.left(eq).toUtf8().constData(), line.mid(eq + 1).toUtf8());
        }
        QVERIFY(!qEnvironmentVariable("R205730_PG_DIR").isEmpty());
    }

    void cleanupTestCase() {
        if (!qEnvironmentVariable("R205730_PG_DIR").isEmpty()) pgShell(QStringLiteral("pg_stop"));
    }

    // The server goes away while the operator reads the delete question: nothing is deleted, the
    // operator reads why, and the program stays up.
    void deleteIsRefusedAndTheProgramStaysUp() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        std::optional<ServerStopped> stopped;
        s.tk().whileShown = [&stopped](const ShownBox& box) {
            if (box.text == deleteQuestion && !stopped) stopped.emplace();
        };
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        s.tk().answer(vbOK);
        QTest::mouseClick(s.f()->Cmd_sakujyo, Qt::LeftButton);
        QCOMPARE(s.tk().boxTexts(), (QStringList{deleteQuestion, updateCancelled + QLatin1Char('\n') + lost}));
        QCOMPARE(s.tk().endCount, 0);
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
        QVERIFY(s.f()->isVisible());
    }

    // The server goes away while the operator reads the save question: the save is refused with
    // its message and the reason, the entry stays, and once the server is back the same Esc and
    // Yes store it.
    void saveKeepsTheEntryUntilTheServerIsBack() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        std::optional<ServerStopped> stopped;
        s.tk().whileShown = [&stopped](const ShownBox& box) {
            if (box.text == saveQuestion && !stopped) stopped.emplace();
        };
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.f()->Koumoku_NM->setText(QStringLiteral("止まった後"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), (QStringList{saveQuestion, updateCancelled + QLatin1Char('\n') + lost}));
        QCOMPARE(s.tk().endCount, 0);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(s.f()->Koumoku_NM->text(), QStringLiteral("止まった後"));

        stopped.reset();
        s.tk().whileShown = {};
        s.tk().boxes.clear();
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(s.tk().boxTexts(), QStringList{saveQuestion});
        QCOMPARE(s.stored(QStringLiteral("データ項目名"), 50).toString(), QStringLiteral("止まった後"));
        QVERIFY(s.inHead());
    }

    // A statement that nothing of the design handles (the duplicate test) tells the operator that
    // the database cannot be reached, and the program stays up; once the server is back the same
    // Enter goes on.
    void duplicateTestToldAndTheServerBackWorks() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        s.startAdding();
        s.type(QStringLiteral("700"));
        {
            const ServerStopped stopped;
            s.press(Qt::Key_Return);
            QCOMPARE(s.tk().boxTexts(), QStringList{lost});
            QCOMPARE(s.tk().endCount, 0);
            QCOMPARE(s.focused(), s.f()->Koumoku);
        }
        s.tk().boxes.clear();
        s.press(Qt::Key_Return);
        QVERIFY(s.tk().boxes.isEmpty());
        QCOMPARE(s.focused(), s.f()->Koumoku_NM);
    }
};

QTEST_MAIN(TestItemServerStop)
#include "test_item_server_stop.moc"
