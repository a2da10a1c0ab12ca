// The sign-on and password change dialogs over a real database, driven by keystrokes.
#include "db/db.h"
#include "operator/dialogs.h"
#include "scripted_toolkit.h"
#include "screen_fixture.h"
#include "startup/startup.h"
#include "stderr_capture.h"
#include "test_database.h"
#include "test_site.h"

#include <QTest>

using namespace platform;

namespace {

const QString noCode = QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞが入力されていません");
const QString noSuchCode = QStringLiteral("該当コードがありません");
const QString badPassword = QStringLiteral("パスワードが不正です");
const QString noNewPassword = QStringLiteral("新パスワードが入力されていません");
const QString badRow = QStringLiteral("担当者マスタの内容が不正です");
const QString readFailed = QStringLiteral("担当者マスタの読込に失敗しました");

// Keys go where the operator's typing goes: the field of the dialog that has the focus.
void key(Form& dialog, Qt::Key k) { QTest::keyClick(dialog.focusWidget(), k); }
void type(Form& dialog, const QString& text) {
    for (const QChar c : text) QTest::keyClick(dialog.focusWidget(), c.toLatin1());
}

}  // namespace

class TestOperatorDialogs : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedToolkitScope> scope;
    std::unique_ptr<TestDatabase> database;
    ScriptedToolkit& tk() { return scope->tk; }
    static W2068401& signOn() { return signOnDialog(); }
    static W2068402& change() { return changeDialog(); }

    QVariant storedPassword(const QString& code) {
        return database->queryValue(QStringLiteral("SELECT パスワード FROM FL0003担当者マスタ WHERE 担当者コード = '") +
                                    code + QStringLiteral("'"));
    }
    // Code and password typed into the sign-on dialog, then F5.
    void openChange(const QString& code, const QString& password) {
        type(signOn(), code);
        key(signOn(), Qt::Key_Return);
        type(signOn(), password);
        key(signOn(), Qt::Key_F5);
        QVERIFY(QTest::qWaitForWindowActive(&change()));
    }
    // A trigger that makes every update of the operator master fail.
    void refuseUpdates(bool on) {
        if (database->isPostgres()) {
            database->run(on ? QStringLiteral(
                                   "CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'refused'; END $$ "
                                   "LANGUAGE plpgsql;\nCREATE TRIGGER refuse BEFORE UPDATE ON FL0003担当者マスタ "
                                   "FOR EACH ROW EXECUTE FUNCTION refuse()")
                             : QStringLiteral("DROP TRIGGER refuse ON FL0003担当者マスタ"));
        } else {
            database->run(on ? QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON FL0003担当者マスタ "
                                              "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                             : QStringLiteral("DROP TRIGGER refuse"));
        }
    }

private slots:
    void init() {
        resetOperatorState();
        resetProgramState();
        scope = std::make_unique<ScriptedToolkitScope>();
        setSampleAppearance();
        database = std::make_unique<TestDatabase>();
        REQUIRE_TEST_DATABASE(*database);
        database->loadSampleData();
        database->run(QStringLiteral(
            "INSERT INTO FL0003担当者マスタ (担当者コード, 担当者氏名, IME起動モード, 権限レベル, パスワード) VALUES "
            "('OPR0007', '  鈴木  ', '2 ', '3', 'abcdefghij'), ('N1', NULL, '0', '1', 'p'), "
            "('X1', 'エックス', 'X', '1', 'p'), ('BIG', '大', '1', '40000', 'p')"));
        database->configureWorkArea();
        openDatabase();
        QVERIFY(workarea.dbConnection);
        signOn().show();
        QVERIFY(QTest::qWaitForWindowActive(&signOn()));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);
    }
    void cleanup() {
        QVERIFY2(tk().unexpectedBoxes.isEmpty(), "a question appeared that the test did not answer");
        resetOperatorState();
        resetProgramState();
        database.reset();
        scope.reset();
    }

    void codeFoundShowsTheName() {
        type(signOn(), QStringLiteral(" 0002 "));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(signOn().lbl_OPNM->caption(), QStringLiteral("佐藤　花子"));
        QCOMPARE(signOn().focusWidget(), signOn().PSWD);
        QCOMPARE(foundOperator.code, QStringLiteral("0002"));
        QCOMPARE(foundOperator.imeMode, Int16(1));
        QCOMPARE(foundOperator.level, Int16(1));
        QCOMPARE(foundOperator.password, QStringLiteral("Hanako02"));
        QVERIFY(tk().boxes.isEmpty());
    }

    void emptyAndUnknownCodes() {
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), QStringList{noCode});
        QCOMPARE(tk().boxes[0].style, vbOKOnly);
        QCOMPARE(tk().boxes[0].caption, QStringLiteral("R205730"));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);

        type(signOn(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_Return);
        key(signOn(), Qt::Key_Up);  // toggles back to the code, text selected
        type(signOn(), QStringLiteral("9999"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{noCode, noSuchCode}));
        // The operator read before stays.
        QCOMPARE(signOn().lbl_OPNM->caption(), QStringLiteral("山田　太郎"));
        QCOMPARE(foundOperator.code, QStringLiteral("0001"));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);
        QCOMPARE(signOn().OPCD->selLength(), 4);

        // A password without a code: only the code's message, and back to the code.
        key(signOn(), Qt::Key_Backspace);
        key(signOn(), Qt::Key_Down);
        type(signOn(), QStringLiteral("edi0001"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{noCode, noSuchCode, noCode}));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);
        QVERIFY(signOn().isVisible());
    }

    void passwordsAreComparedExactly() {
        type(signOn(), QStringLiteral("0002"));
        key(signOn(), Qt::Key_Return);
        key(signOn(), Qt::Key_Return);  // empty
        type(signOn(), QStringLiteral("hanako02"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{badPassword, badPassword}));
        QCOMPARE(signOn().focusWidget(), signOn().PSWD);
        QCOMPARE(signOn().PSWD->selLength(), 8);  // kept, selected
        type(signOn(), QStringLiteral("Hanako02"));
        key(signOn(), Qt::Key_Return);
        QVERIFY(!signOn().isVisible());
        QCOMPARE(signOnResult, QStringLiteral("00"));
        QCOMPARE(workarea.operatorCode, QStringLiteral("0002"));
        QCOMPARE(workarea.operatorName, QStringLiteral("佐藤　花子"));
        QCOMPARE(workarea.operatorImeMode, Int16(1));
        QCOMPARE(workarea.operatorLevel, Int16(1));
        QCOMPARE(tk().boxes.size(), 2);
    }

    void passwordIsReadAgainOnEveryCheck() {
        type(signOn(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_Return);
        database->run(QStringLiteral("UPDATE FL0003担当者マスタ SET パスワード = 'fresh01' WHERE 担当者コード = '0001'"));
        type(signOn(), QStringLiteral("edi0001"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), QStringList{badPassword});
        type(signOn(), QStringLiteral("fresh01"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(signOnResult, QStringLiteral("00"));
        QVERIFY(!signOn().isVisible());
    }

    void fullFieldsRunTheirChecks() {
        type(signOn(), QStringLiteral("OPR000"));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);
        type(signOn(), QStringLiteral("7"));
        QCOMPARE(signOn().focusWidget(), signOn().PSWD);
        QCOMPARE(signOn().lbl_OPNM->caption(), QStringLiteral("  鈴木  "));  // as stored
        QCOMPARE(foundOperator.imeMode, Int16(2));

        // The tenth character checks the password, but only Enter signs on.
        type(signOn(), QStringLiteral("abcdefghij"));
        QVERIFY(tk().boxes.isEmpty());
        QVERIFY(signOn().isVisible());
        QCOMPARE(signOn().focusWidget(), signOn().PSWD);
        QCOMPARE(autoAdvanceCheckFailed, False);
        key(signOn(), Qt::Key_Up);
        key(signOn(), Qt::Key_Down);  // whole text selected again
        type(signOn(), QStringLiteral("abcdefghiX"));
        QCOMPARE(tk().boxTexts(), QStringList{badPassword});
        QCOMPARE(autoAdvanceCheckFailed, True);
        QCOMPARE(signOn().PSWD->selLength(), 10);

        // A full unknown code stays, selected.
        key(signOn(), Qt::Key_Up);
        type(signOn(), QStringLiteral("XXXXXXX"));
        QCOMPARE(tk().boxTexts(), (QStringList{badPassword, noSuchCode}));
        QCOMPARE(signOn().focusWidget(), signOn().OPCD);
        QCOMPARE(signOn().OPCD->selLength(), 7);
    }

    void quotesAndCommasNeverReachTheFields() {
        type(signOn(), QStringLiteral("0'0\"0,1"));
        QCOMPARE(signOn().OPCD->text(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_Return);
        type(signOn(), QStringLiteral("e'd\"i,0001"));
        QCOMPARE(signOn().PSWD->text(), QStringLiteral("edi0001"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(signOnResult, QStringLiteral("00"));
        QVERIFY(tk().boxes.isEmpty());
    }

    void escCancelsTheSignOn() {
        handOverOperator(QStringLiteral("OP01"));
        workarea.operatorLevel = 5;
        type(signOn(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_Return);
        key(signOn(), Qt::Key_Escape);
        QVERIFY(!signOn().isVisible());
        QCOMPARE(signOnResult, QStringLiteral("01"));
        QCOMPARE(workarea.operatorCode, QString());
        QCOMPARE(workarea.operatorName, QString());
        QCOMPARE(workarea.operatorLevel, Int16(0));
    }

    void f5CarriesCodeAndPasswordOver() {
        workarea.FormBackColor = QStringLiteral("&H00E0E0E0");
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        QVERIFY(signOn().isVisible());
        QCOMPARE(change().OPCD->text(), QStringLiteral("0001"));
        QCOMPARE(change().PSWD->text(), QStringLiteral("edi0001"));
        QCOMPARE(change().PSWD->displayText(), QStringLiteral("*******"));
        QVERIFY(change().NPSWD->text().isEmpty() && change().KAKUNIN->text().isEmpty());
        QCOMPARE(change().lbl_PGID->caption(), QStringLiteral("W2068402"));
        QCOMPARE(change().lbl_DATE->caption(), QStringLiteral("2026/12/08"));
        QCOMPARE(change().lbl_OPNM->caption(), QString());  // filled only by its own check
        QCOMPARE(change().focusWidget(), change().OPCD);
        // Styled: the sign-on dialog takes the form colour, the change dialog keeps its own.
        QCOMPARE(signOn().backColor(), double(0xE0E0E0));
        QCOMPARE(change().backColor(), double(0xC0C0C0));
        QCOMPARE(change().lbl_OPNM->backColor(), workarea.LabelBackColor);
        QCOMPARE(change().PSWD->backColor(), workarea.TextBackColor);

        key(change(), Qt::Key_F5);  // nothing here
        QVERIFY(change().isVisible());
        // Esc writes nothing and hands the code typed here back.
        type(change(), QStringLiteral("0002"));
        key(change(), Qt::Key_Escape);
        QVERIFY(!change().isVisible());
        QCOMPARE(signOn().OPCD->text(), QStringLiteral("0002"));
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("edi0001")));
        QVERIFY(tk().boxes.isEmpty());
    }

    void badAppearanceOnF5EndsTheProgram() {
        workarea.TextFontSize = QString();
        type(signOn(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_F5);
        QCOMPARE(tk().boxTexts(), QStringList{QStringLiteral("項目設定エラー")});
        QCOMPARE(tk().endCount, 1);
        QVERIFY(!change().isVisible());
    }

    void successfulChangeWritesTheNewPassword() {
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        key(change(), Qt::Key_Return);
        QCOMPARE(change().lbl_OPNM->caption(), QStringLiteral("山田　太郎"));
        key(change(), Qt::Key_Return);
        QCOMPARE(change().focusWidget(), change().NPSWD);
        key(change(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), QStringList{noNewPassword});
        QCOMPARE(change().focusWidget(), change().NPSWD);
        type(change(), QStringLiteral("newpass-10"));  // the tenth character moves on
        QCOMPARE(change().focusWidget(), change().KAKUNIN);
        type(change(), QStringLiteral("newpass-11"));  // the confirmation never moves on
        QCOMPARE(change().focusWidget(), change().KAKUNIN);
        key(change(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{noNewPassword, badPassword}));
        QVERIFY(change().NPSWD->text().isEmpty() && change().KAKUNIN->text().isEmpty());
        QCOMPARE(change().focusWidget(), change().KAKUNIN);

        key(change(), Qt::Key_Up);
        type(change(), QStringLiteral("newpass-10"));
        type(change(), QStringLiteral("newpass-10"));
        key(change(), Qt::Key_Return);
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("newpass-10")));
        QVERIFY(!change().isVisible());
        QCOMPARE(signOn().OPCD->text(), QStringLiteral("0001"));
        QCOMPARE(signOn().PSWD->text(), QString());
        QCOMPARE(foundOperator.password, QStringLiteral("newpass-10"));
        QCOMPARE(tk().boxes.size(), 2);

        // Signing on with the new password.
        type(signOn(), QStringLiteral("newpass-10"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(signOnResult, QStringLiteral("00"));
    }

    void codeWithBlanksAroundItIsChangedForReal() {
        openChange(QStringLiteral(" 0002 "), QStringLiteral("Hanako02"));
        key(change(), Qt::Key_Down);
        key(change(), Qt::Key_Down);
        type(change(), QStringLiteral("blanks"));
        key(change(), Qt::Key_Down);
        type(change(), QStringLiteral("blanks"));
        key(change(), Qt::Key_Return);
        QCOMPARE(storedPassword(QStringLiteral("0002")), QVariant(QStringLiteral("blanks")));
        QVERIFY(!change().isVisible());
    }

    void refusedChangeKeepsTheOldPassword() {
        refuseUpdates(true);
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        key(change(), Qt::Key_Return);
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("new-1"));
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("new-1"));
        StderrCapture log;
        key(change(), Qt::Key_Return);
        // The refused statement is logged for the administrator, without the new password.
        const QString logged = log.text();
        QVERIFY2(logged.contains(QStringLiteral("password change: not written")), qPrintable(logged));
        QVERIFY2(!logged.contains(QStringLiteral("new-1")), qPrintable(logged));
        QVERIFY(tk().boxes.isEmpty());
        QVERIFY(change().isVisible());
        QCOMPARE(change().NPSWD->text(), QStringLiteral("new-1"));
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("edi0001")));
        QCOMPARE(foundOperator.password, QStringLiteral("edi0001"));
        QCOMPARE(signOn().PSWD->text(), QStringLiteral("edi0001"));

        // The roll-back left the connection usable: once allowed, the same Enter writes.
        refuseUpdates(false);
        key(change(), Qt::Key_Return);
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("new-1")));
        QVERIFY(!change().isVisible());
    }

    void writeChecksTheCodeAgain() {
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        key(change(), Qt::Key_Return);
        // Another code, an apostrophe in it, and straight to the confirmation with the arrows.
        key(change(), Qt::Key_Up);
        type(change(), QStringLiteral("x'y"));
        key(change(), Qt::Key_Up);
        QCOMPARE(change().focusWidget(), change().KAKUNIN);
        key(change(), Qt::Key_Return);  // both new fields empty: the confirmation passes
        QCOMPARE(tk().boxTexts(), QStringList{noSuchCode});
        QCOMPARE(change().focusWidget(), change().OPCD);
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("edi0001")));

        // An apostrophe in a password is stored as typed.
        type(change(), QStringLiteral("0001"));
        key(change(), Qt::Key_Return);
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("it's"));
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("it's"));
        key(change(), Qt::Key_Return);
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("it's")));
        QCOMPARE(storedPassword(QStringLiteral("0002")), QVariant(QStringLiteral("Hanako02")));
    }

    void writeSkipsTheLabelsAndTheNewPasswordChecks() {
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        key(change(), Qt::Key_Up);  // from the code round to the confirmation, nothing checked
        key(change(), Qt::Key_Return);
        QVERIFY(tk().boxes.isEmpty());
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QString()));
        QVERIFY(!change().isVisible());
    }

    void readFailureBeforeTheWriteIsReported() {
        openChange(QStringLiteral("0001"), QStringLiteral("edi0001"));
        key(change(), Qt::Key_Return);
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("new-1"));
        key(change(), Qt::Key_Return);
        type(change(), QStringLiteral("new-1"));
        database->run(QStringLiteral("ALTER TABLE FL0003担当者マスタ RENAME TO FL0003担当者マスタ退避"));
        key(change(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), QStringList{readFailed});
        QVERIFY(change().isVisible());

        database->run(QStringLiteral("ALTER TABLE FL0003担当者マスタ退避 RENAME TO FL0003担当者マスタ"));
        key(change(), Qt::Key_Return);
        QCOMPARE(storedPassword(QStringLiteral("0001")), QVariant(QStringLiteral("new-1")));
        QVERIFY(!change().isVisible());
    }

    void rowsThatCannotBeUsedAreReported() {
        type(signOn(), QStringLiteral("0001"));
        key(signOn(), Qt::Key_Return);
        key(signOn(), Qt::Key_Up);
        type(signOn(), QStringLiteral("N1"));  // null name
        key(signOn(), Qt::Key_Return);
        type(signOn(), QStringLiteral("BIG"));  // level beyond 16 bits
        key(signOn(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{badRow, badRow}));
        QCOMPARE(foundOperator.code, QStringLiteral("0001"));
        QCOMPARE(signOn().lbl_OPNM->caption(), QStringLiteral("山田　太郎"));
        // The sign-on dialog reads a leading number, so a letter gives 0 ...
        type(signOn(), QStringLiteral("X1"));
        key(signOn(), Qt::Key_Return);
        QCOMPARE(foundOperator.code, QStringLiteral("X1"));
        QCOMPARE(foundOperator.imeMode, Int16(0));

        // ... the change dialog wants a number.
        type(signOn(), QStringLiteral("p"));
        key(signOn(), Qt::Key_F5);
        QVERIFY(QTest::qWaitForWindowActive(&change()));
        key(change(), Qt::Key_Return);
        QCOMPARE(tk().boxTexts(), (QStringList{badRow, badRow, badRow}));
        QCOMPARE(change().focusWidget(), change().OPCD);
        QCOMPARE(change().lbl_OPNM->caption(), QString());
        type(change(), QStringLiteral("OPR0007"));  // full: checked and on
        QCOMPARE(change().lbl_OPNM->caption(), QStringLiteral("鈴木"));  // trimmed here
        QCOMPARE(change().focusWidget(), change().PSWD);
        QCOMPARE(foundOperator.imeMode, Int16(2));
    }

    void startUpShowsTheHandedOverCodeWithoutAName() {
        TestSite site;
        site.writeIni(standardIni(QStringLiteral("EDI_TEST"), database->iniLogin()));
        tk().programFolderPath = site.programFolder();
        // An operator of the master: the hand-over still does not look it up.
        tk().commandLineText = QStringLiteral("\t 0001\u3000");
        runHandler([] { Main(); });
        QCOMPARE(tk().endCount, 0);
        QCOMPARE(itemScreen()->OPR_OP_CD->caption(), QStringLiteral("0001"));
        QCOMPARE(itemScreen()->OPR_OP_NM->caption(), QString());
        QCOMPARE(signOnResult, QStringLiteral("00"));
    }
};

QTEST_MAIN(TestOperatorDialogs)
#include "test_operator_dialogs.moc"
