// Start-up in its strict order, its fatal messages, and the exit question; each test runs both as
// the program starts (the database opened and the list read on a second thread meanwhile) and
// without that thread.
#include "db/db.h"
#include "itemmaster/item_statements.h"
#include "itemmaster/itemmaster.h"
#include "scripted_toolkit.h"
#include "startup/startup.h"
#include "stderr_capture.h"
#include "test_database.h"
#include "test_site.h"

#include <QApplication>
#include <QTest>

using namespace platform;

class TestStartup : public QObject {
    Q_OBJECT
    const bool readsAhead;
    std::unique_ptr<ScriptedToolkitScope> scope;
    std::unique_ptr<TestSite> site;
    std::unique_ptr<TestDatabase> database;
    ScriptedToolkit& tk() { return scope->tk; }

    void startAhead() {
        if (readsAhead) startReadingAhead(site->programFolder());
    }
    // Starts as the program does; true when it ended the program.
    bool start() {
        startAhead();
        return runMain();
    }
    bool runMain() {
        bool ended = false;
        runHandler([&] {
            try {
                Main();
            } catch (const ProgramEnded&) {
                ended = true;
                throw;
            }
        });
        return ended;
    }

    // A complete EDI.ini that logs in to the test database.
    void writeIni(QMap<QString, QString> overrides = {}) {
        const auto login = database->iniLogin();
        for (auto it = login.begin(); it != login.end(); ++it)
            if (!overrides.contains(it.key())) overrides.insert(it.key(), it.value());
        site->writeIni(standardIni(QStringLiteral("EDI_TEST"), overrides));
    }
    QString connectString() const {
        return QStringLiteral("DSN=EDI_TEST;UID=%1;PWD=%2;").arg(database->userId(), database->password());
    }

    // The events of one kind, in order.
    QStringList eventsWithout(const QString& prefix) const {
        QStringList out;
        for (const QString& e : scope->tk.events)
            if (!e.startsWith(prefix)) out.append(e);
        return out;
    }

public:
    explicit TestStartup(bool readsAhead = false) : readsAhead(readsAhead) {}

private slots:
    void init() {
        resetProgramState();
        scope = std::make_unique<ScriptedToolkitScope>();
        site = std::make_unique<TestSite>();
        tk().programFolderPath = site->programFolder();
        database = std::make_unique<TestDatabase>();
        REQUIRE_TEST_DATABASE(*database);
    }
    void cleanup() {
        QVERIFY2(tk().unexpectedBoxes.isEmpty(), "a question appeared that the test did not answer");
        resetProgramState();
        database.reset();
        scope.reset();
        site.reset();
    }

    void startsInOrder() {
        writeIni();
        tk().commandLineText = QStringLiteral("  OP01  ");
        QVERIFY(!start());
        QVERIFY(tk().boxes.isEmpty());
        // Hourglass, settings read (four environment keys, then the appearance and
        // remaining keys), arrow once the screen is shown, then the command line.
        const QStringList seen = eventsWithout(QStringLiteral("programFolder"));
        QCOMPARE(seen, (QStringList{"pointer:11", "pointer:1", "commandLine"}));
        const int arrow = tk().events.indexOf(QStringLiteral("pointer:1"));
        // Four environment keys; the settings folder and the 33 other keys.
        QCOMPARE(tk().events.mid(1, arrow - 1).count(QStringLiteral("programFolder")), 4 + 1 + 33);
        QVERIFY(workarea.mainForm);
        QVERIFY(workarea.mainForm->isVisible());
        QVERIFY(workarea.mainForm->isLoaded());
        QCOMPARE(workarea.mainForm->windowTitle(), QStringLiteral("項目情報マスタ保守 "));
        QCOMPARE(workarea.operatorCode, QStringLiteral("OP01"));
        QCOMPARE(workarea.screenMode, QStringLiteral("HEAD"));
        QCOMPARE(workarea.connectString, connectString());
        QVERIFY(!workarea.machineName.isEmpty());
        QCOMPARE(workarea.osName, QStringLiteral("Unknown OS"));
        QCOMPARE(db::connectedAhead(), readsAhead);
    }

    void theListShownIsTheTablesWhoeverReadIt() {
        database->run(QStringLiteral(
            "INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('属性', 'X', '英数字');\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
            "VALUES (30, '備考', 'X', 0, 0), (2, '数量', '9', 5, 2), (1, '品名', 'X', 10, 0)"));
        writeIni();
        QVERIFY(!start());
        QCOMPARE(db::connectedAhead(), readsAhead);
        QCOMPARE(screenState().listRowCount, 3);
        QStringList shown;
        for (int row = 1; row <= screenState().listRowCount; ++row)
            shown << listRowValues(row).join(QLatin1Char('|')) + QLatin1Char('|') +
                         itemScreen()->GRID->textMatrix(row, 4);  // 属性名
        QCOMPARE(shown, (QStringList{"1|品名|X|10||英数字", "2|数量|9|5|2|", "30|備考|X|||英数字"}));
        QCOMPARE(workarea.sqlText, itemListSql());
        QCOMPARE(workarea.resultAtEnd, QStringLiteral("0"));
    }

    void settingsChangedSinceTheReadAheadAreTheOnesUsed() {
        writeIni({{"動作環境/DBSTRING", "NO_SUCH_SOURCE"}});
        startAhead();
        writeIni();
        QVERIFY(!runMain());
        QVERIFY(tk().boxes.isEmpty());
        QCOMPARE(workarea.connectString, connectString());
        QVERIFY(!db::connectedAhead());
        QVERIFY(workarea.mainForm->isLoaded());
    }

    void unknownDataSourceIsOneConnectionError() {
        writeIni({{"動作環境/DBSTRING", "NO_SUCH_SOURCE"}});
        StderrCapture log;
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("接続エラー")});
        QCOMPARE(tk().lastExitCode, 1);
        QVERIFY(!workarea.mainForm->isLoaded());
        const QString text = log.text();
        QVERIFY2(text.contains(QStringLiteral("connect (DSN=NO_SUCH_SOURCE;UID=")) && text.contains(QStringLiteral("IM002")),
                 qPrintable(text));
    }

    void startUpShowsTheStyledScreen() {
        writeIni();
        tk().commandLineText = QStringLiteral("OP01");
        QVERIFY(!start());
        F_R205730* f = itemScreen();
        QVERIFY(QTest::qWaitForWindowActive(f));
        QCOMPARE(f->activeControl(), f->Kensaku);
        QCOMPARE(f->Kensaku->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0x80));  // TextFocusColor
        QCOMPARE(f->OPR_OP_CD->caption(), QStringLiteral("OP01"));
        QCOMPARE(f->OPR_OP_NM->caption(), QString());
        QCOMPARE(f->OPR_HIDUKE->caption(), QStringLiteral("2026/12/08"));
        QCOMPARE(workarea.inputCount, Int16(6));
    }

    void badAppearanceEndsBeforeTheScreenShows() {
        writeIni({{"Setting0/FormBackColor", ""}});
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
        QVERIFY(!workarea.mainForm->isVisible());
        // Converted before the screen was loaded: the list was never read.
        QVERIFY(!workarea.mainForm->isLoaded());
    }

    void databaseWithoutTheItemTableEndsStartUp() {
        writeIni();
        database->run(QStringLiteral("DROP TABLE FL1901項目情報マスタ"));
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
        QCOMPARE(tk().lastExitCode, 1);
        QVERIFY(!workarea.mainForm->isVisible());
    }

    void noCommandLineGivesAnEmptyOperator() {
        writeIni();
        QVERIFY(!start());
        QCOMPARE(workarea.operatorCode, QString());
        QCOMPARE(itemScreen()->OPR_OP_CD->caption(), QString());
        QVERIFY(workarea.mainForm->isVisible());
    }

    void noSettingsFileIsAConnectionError() {
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("接続エラー")});
        QCOMPARE(tk().boxes[0].style, vbOKOnly);
        QCOMPARE(tk().boxes[0].caption, QStringLiteral("R205730"));
        QCOMPARE(tk().lastExitCode, 1);
        QCOMPARE(tk().pointerCodes, QList<int>{vbHourglass});
        QVERIFY(!workarea.mainForm->isVisible());
        QVERIFY(!workarea.mainForm->isLoaded());
        QCOMPARE(workarea.connectString, QStringLiteral("DSN=;UID=;PWD=;"));
    }

    void shallowProgramFolderStopsBeforeReading() {
        writeIni();
        tk().programFolderPath = QStringLiteral("/app");
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("INIﾌｧｲﾙ読込エラー")});
        QVERIFY(workarea.dataSource.trimmed().isEmpty());
        QVERIFY(workarea.machineName.isEmpty());  // the profile step never ran
    }

    void missingAppearanceKeysStopAfterConnecting() {
        QByteArray ini = standardIni(QStringLiteral("EDI_TEST"), database->iniLogin());
        ini = ini.left(ini.indexOf("[Setting0]"));
        site->writeIni(ini);
        QVERIFY(start());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("INIﾌｧｲﾙ読込エラー")});
        QCOMPARE(workarea.connectString, connectString());
        QVERIFY(!workarea.mainForm->isVisible());
        QVERIFY(!workarea.mainForm->isLoaded());
    }

    void exitQuestionNoKeepsTheScreen() {
        writeIni();
        QVERIFY(!start());
        tk().answer(vbNo);
        QVERIFY(!workarea.mainForm->unload());
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("終了してもよろしいですか")});
        QCOMPARE(tk().boxes[0].style, vbYesNo | vbExclamation | vbDefaultButton2);
        QCOMPARE(tk().boxes[0].caption, QStringLiteral("R205730"));
        QCOMPARE(tk().endCount, 0);
        QVERIFY(workarea.mainForm->isVisible());
    }

    void closeBoxAsksTheSameQuestionAndYesEnds() {
        writeIni();
        QVERIFY(!start());
        tk().answer(vbYes);
        workarea.mainForm->close();  // the window's close box
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("終了してもよろしいですか")});
        QCOMPARE(tk().endCount, 1);
        QCOMPARE(tk().lastExitCode, 0);
        QCOMPARE(workarea.dbConnection, nullptr);
    }

    void unhandledFailureInAHandlerEndsWithItsDescription() {
        runHandler([] { throw std::runtime_error("disk on fire"); });
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("予期しないエラーが発生したため終了します\ndisk on fire")});
        QCOMPARE(tk().endCount, 1);
        QCOMPARE(tk().lastExitCode, 1);
    }
};

class TestStartupReadingAhead : public TestStartup {
    Q_OBJECT
public:
    TestStartupReadingAhead() : TestStartup(true) {}
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestStartup inOrder;
    TestStartupReadingAhead readingAhead;
    const int failed = QTest::qExec(&inOrder, argc, argv);
    return failed + QTest::qExec(&readingAhead, argc, argv);
}

#include "test_startup.moc"
