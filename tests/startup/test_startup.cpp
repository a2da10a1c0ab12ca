// Start-up in its strict order, its fatal messages, and the exit question.
#include "itemmaster/itemmaster.h"
#include "scripted_toolkit.h"
#include "startup/startup.h"
#include "test_database.h"
#include "test_site.h"

#include <QTest>

using namespace platform;

class TestStartup : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedToolkitScope> scope;
    std::unique_ptr<TestSite> site;
    std::unique_ptr<TestDatabase> database;
    ScriptedToolkit& tk() { return scope->tk; }

    // Runs Main as the program does; true when it ended the program.
    bool start() {
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

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
