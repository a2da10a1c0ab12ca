// What each field lets in, by every path text can take.
#include "startup/startup.h"
#include "screen_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace {
// The item screen noting its key events.
class RecordingForm : public F_R205730 {
public:
    RecordingForm() : F_R205730(confirmExit) {}
    QStringList* log = nullptr;

protected:
    void Form_KeyDown(Int16& keyCode, Int16 shift) override {
        log->append(QStringLiteral("form down %1").arg(keyCode));
        F_R205730::Form_KeyDown(keyCode, shift);
    }
    void Form_KeyUp(Int16& keyCode, Int16 shift) override {
        log->append(QStringLiteral("form up %1 %2").arg(keyCode).arg(shift));
    }
};
}  // namespace

class KeystrokeTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { resetProgramState(); }

    void keyCodesAreClassic() {
        const struct {
            int key;
            Qt::KeyboardModifiers mods;
            Int16 code;
        } keys[] = {{Qt::Key_Return, {}, 13},       {Qt::Key_Enter, Qt::KeypadModifier, 13},
                    {Qt::Key_Escape, {}, 27},       {Qt::Key_F1, {}, 112},
                    {Qt::Key_F2, {}, 113},          {Qt::Key_F12, {}, 123},
                    {Qt::Key_Up, {}, 38},           {Qt::Key_Down, {}, 40},
                    {Qt::Key_Shift, {}, 16},        {Qt::Key_Control, {}, 17},
                    {Qt::Key_A, {}, 65},            {Qt::Key_5, Qt::KeypadModifier, 101},
                    {Qt::Key_Exclam, Qt::ShiftModifier, 49}};
        for (const auto& k : keys) {
            QKeyEvent e(QEvent::KeyPress, k.key, k.mods);
            QCOMPARE(classicKeyCode(&e), k.code);
        }
        QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(classicShift(&all), Int16(7));

        // Full-width characters arrive outside 0-127 as signed 16-bit codes and come back whole.
        QVERIFY(charCodeOf(U'５') < 0);
        QCOMPARE(charCodeOf(U'ｱ'), Int16(0xB1));
        for (const char32_t c : {U'５', U'ｱ', U'漢', U'A', U'Ａ'})
            QCOMPARE(textOfCharCode(charCodeOf(c)), QString::fromUcs4(&c, 1));
    }

    void eventsComeInTheClassicOrder() {
        QStringList log;
        auto* recording = new RecordingForm;
        recording->log = &log;
        ShownScreen s(recording);
        InputField* name = s.form()->Koumoku_NM;
        s.enterBody(name);
        name->onKeyDown = [&](Int16& k, Int16) { log << QStringLiteral("field down %1").arg(k); };
        name->onKeyPress = [&](Int16& a) {
            log << QStringLiteral("field press %1").arg(a);
            if (a == 'q') a = charCodeOf(U'日');  // a handler may put another character in
        };
        name->onKeyUp = [&](Int16& k, Int16 shift) { log << QStringLiteral("field up %1 %2").arg(k).arg(shift); };
        QTest::keyClick(name, Qt::Key_Q, Qt::ShiftModifier);
        QCOMPARE(log, QStringList({"form down 16", "field down 16", "form down 81", "field down 81", "field press 113",
                                   "form up 81 1", "field up 81 1", "form up 16 0", "field up 16 0"}));
        log.clear();
        QTest::keyClick(name, 'w');
        QCOMPARE(log, QStringList({"form down 87", "field down 87", "field press 119", "form up 87 0", "field up 87 0"}));
        QCOMPARE(name->text(), QStringLiteral("日w"));
    }

    void eachModeAcceptsItsCharacters_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("accepted");
        const QString probe = QStringLiteral("1-2-.3.,/:aA'\"５ｱ");
        QTest::newRow("1") << "1" << probe;
        QTest::newRow("2") << "2" << QStringLiteral("1-2-.3./:aA５ｱ");
        QTest::newRow("2U") << "2U" << QStringLiteral("1-2-.3./:AA５ｱ");
        QTest::newRow("2L") << "2L" << QStringLiteral("1-2-.3./:aa５ｱ");
        QTest::newRow("empty as 2") << "" << QStringLiteral("1-2-.3./:aA５ｱ");
        QTest::newRow("3") << "3" << "123";
        QTest::newRow("4") << "4" << "1-23";
        QTest::newRow("5") << "5" << "12.3";
        QTest::newRow("6") << "6" << "123,";
        QTest::newRow("7") << "7" << "1-2.3";
        QTest::newRow("8") << "8" << "1-23,";
        QTest::newRow("9") << "9" << "12.3,";
        QTest::newRow("A") << "A" << "1-2.3,";
        QTest::newRow("B") << "B" << "123/";
        QTest::newRow("C") << "C" << "123:";
        QTest::newRow("D") << "D" << "123/:";
        QTest::newRow("3U not a mode") << "3U" << probe;
    }
    void eachModeAcceptsItsCharacters() {
        QFETCH(QString, mode);
        QFETCH(QString, accepted);
        ShownScreen s;
        InputField* name = s.form()->Koumoku_NM;
        s.enterBody(name);
        workarea.inputKeyModes[2] = mode;
        typeText(name, QStringLiteral("1-2-.3.,/:aA'\"５ｱ"));
        QCOMPARE(name->text(), accepted);
        if (mode.isEmpty()) QCOMPARE(workarea.inputKeyModes[2], QStringLiteral("2"));

        // Pasting the same text lets in exactly the same characters.
        name->clear();
        QApplication::clipboard()->setText(QStringLiteral("1-2-.3.,/:aA'\"５ｱ"));
        QTest::keyClick(name, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(name->text(), accepted);
    }

    void itemFieldsKeepTheirRules() {
        ShownScreen s;
        F_R205730* f = s.form();
        for (InputField* digits : {f->Koumoku, f->Nagasa, f->Nagasa_S}) {
            s.enterBody(digits);
            typeText(digits, QStringLiteral("a-.\x1b ５1"));
            QCOMPARE(digits->text(), QStringLiteral("1"));
            QTest::keyClick(digits, Qt::Key_A, Qt::AltModifier);  // a menu key, no character
            QTest::keyClick(digits, Qt::Key_Backspace);  // passes in every mode
            QCOMPARE(digits->text(), QString());
        }
        s.enterBody(f->Zokusei);
        typeText(f->Zokusei, QStringLiteral(",'\"a"));
        QCOMPARE(f->Zokusei->text(), QStringLiteral("A"));
        f->Zokusei->clear();
        s.enterBody(f->Zokusei);  // the full field moved on
        typeText(f->Zokusei, QStringLiteral("ａ"));  // full-width letters keep their case
        QCOMPARE(f->Zokusei->text(), QStringLiteral("ａ"));
        s.enterBody(f->Koumoku_NM);
        typeText(f->Koumoku_NM, QStringLiteral("受注,番号'\""));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("受注番号"));
    }

    void minusAndPointRulesIgnoreTheCaret() {
        ShownScreen s;
        InputField* field = s.form()->Nagasa;
        s.enterBody(field);
        workarea.inputKeyModes[4] = QStringLiteral("4");
        field->setMaxLength(10);
        field->setText(QStringLiteral("12-3"));
        field->setSelStart(0);
        QTest::keyClick(field, '-');
        QCOMPARE(field->text(), QStringLiteral("12-3"));
        field->setText(QStringLiteral("1-2"));
        field->setSelStart(1);
        field->setSelLength(1);  // a selected minus still counts
        QTest::keyClick(field, '-');
        QCOMPARE(field->text(), QStringLiteral("1-2"));
        field->setText(QStringLiteral("123"));
        field->setSelStart(1);
        QTest::keyClick(field, '-');
        QCOMPARE(field->text(), QStringLiteral("1-23"));

        workarea.inputKeyModes[4] = QStringLiteral("9");
        field->clear();
        typeText(field, QStringLiteral(",1,.2.,"));
        QCOMPARE(field->text(), QStringLiteral(",1,.2,"));
    }

    void everyEntryPathIsFiltered() {
        ShownScreen s;
        F_R205730* f = s.form();
        QClipboard* clipboard = QApplication::clipboard();

        // In a digits field Ctrl+V is itself a discarded keystroke; Shift+Insert pastes the digits only.
        clipboard->setText(QStringLiteral("12ab-3４\n5"));
        s.enterBody(f->Koumoku);
        QTest::keyClick(f->Koumoku, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f->Koumoku->text(), QString());
        QTest::keyClick(f->Koumoku, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(f->Koumoku->text(), QStringLiteral("1235"));

        // In the name Ctrl+V passes and the paste loses comma and quotes; one change for the paste.
        int changes = 0;
        const auto previous = f->Koumoku_NM->onChange;
        f->Koumoku_NM->onChange = [&] { ++changes; previous(); };
        clipboard->setText(QStringLiteral("品名,\"A'"));
        s.enterBody(f->Koumoku_NM);
        QTest::keyClick(f->Koumoku_NM, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("品名A"));
        QCOMPARE(changes, 1);

        // The context menu's paste.
        clipboard->setText(QStringLiteral("x9y8"));
        s.enterBody(f->Nagasa);
        std::unique_ptr<QMenu> menu(f->Nagasa->buildContextMenu());
        QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
        QVERIFY(paste);
        paste->trigger();
        QCOMPARE(f->Nagasa->text(), QStringLiteral("98"));

        // An input-method commit.
        s.enterBody(f->Zokusei);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("b"));
        QApplication::sendEvent(f->Zokusei, &commit);
        QCOMPARE(f->Zokusei->text(), QStringLiteral("B"));

        // Drag and drop from elsewhere, onto a field that did not have the focus.
        s.enterBody(f->Koumoku_NM);
        f->Nagasa_S->clear();
        QMimeData data;
        data.setText(QStringLiteral("7-x１6"));
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Delivered straight to the widget: the application refuses drops without a drag in progress.
        static_cast<QObject*>(f->Nagasa_S)->event(&drop);
        QCOMPARE(f->Nagasa_S->text(), QStringLiteral("76"));
        QCOMPARE(s.form()->activeControl(), f->Nagasa_S);
    }
};

QTEST_MAIN(KeystrokeTest)
#include "test_keystrokes.moc"
