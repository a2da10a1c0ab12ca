// Focus colour, Enter and arrows through the input table, fields that move on
// when typed full, and the byte limits.
#include "screen_fixture.h"

#include <QApplication>
#include <QTest>

class NavigationTest : public QObject {
    Q_OBJECT

    static QColor base(const InputField* f) { return f->palette().color(QPalette::Base); }

private slots:
    void cleanup() { resetProgramState(); }

    void startsInTheSearchField() {
        ShownScreen s;
        F_R205730* f = s.form();
        QCOMPARE(workarea.inputCount, Int16(6));
        QCOMPARE(workarea.inputKeyModes, QStringList({"3", "3", "2", "2U", "3", "3"}));
        QCOMPARE(workarea.inputScreenModes, QStringList({"HEAD", "BODY", "BODY", "BODY", "BODY", "BODY"}));
        const QList<InputField*> fields = f->fields();
        for (int p = 0; p < fields.size(); ++p) {
            QCOMPARE(workarea.inputControls[p], fields[p]);
            QCOMPARE(fields[p]->tabIndex(), p);
            QCOMPARE(fields[p]->isEnabled(), p == 0);
        }
        QCOMPARE(f->tabIndex(f->GRID), 6);
        QCOMPARE(f->activeControl(), f->Kensaku);
        QCOMPARE(base(f->Kensaku), QColor(0xFF, 0xFF, 0x80));

        workarea.screenMode = QStringLiteral("BODY");
        enableInputsForMode(ScreenMode::Body);
        for (int p = 0; p < fields.size(); ++p) QCOMPARE(fields[p]->isEnabled(), p != 0);
    }

    void enterAndDownSearchForwardCyclically() {
        ShownScreen s;
        F_R205730* f = s.form();
        f->Zokusei->setText(QStringLiteral("X"));
        f->Koumoku_NM->setText(QStringLiteral("品名"));  // Enter checks the name first
        s.enterBody(f->Koumoku_NM);
        QTest::keyClick(f->Koumoku_NM, Qt::Key_Return);
        QCOMPARE(f->activeControl(), f->Zokusei);
        QCOMPARE(f->Zokusei->selectedText(), QStringLiteral("X"));  // entering selects the whole text
        QCOMPARE(base(f->Zokusei), QColor(0xFF, 0xFF, 0x80));
        QCOMPARE(base(f->Koumoku_NM), QColor(Qt::white));

        // From the last field past the disabled search field to the first enabled one.
        f->Koumoku->setEnabled(false);
        s.focus(f->Nagasa_S);
        QTest::keyClick(f->Nagasa_S, Qt::Key_Down);
        QCOMPARE(f->activeControl(), f->Koumoku_NM);

        // With no other field enterable the focus stays.
        for (InputField* other : f->fields()) other->setEnabled(other == f->Nagasa);
        s.focus(f->Nagasa);
        QTest::keyClick(f->Nagasa, Qt::Key_Down);
        QCOMPARE(f->activeControl(), f->Nagasa);
    }

    void aMessageBoxIsNoMoveToAnotherField() {
        ShownScreen s;
        F_R205730* f = s.form();
        f->Koumoku_NM->setText(QStringLiteral("品名"));
        s.enterBody(f->Koumoku_NM);
        const auto windowLeaves = [](QWidget* w) {
            QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(w, &out);
        };
        const auto windowReturns = [](QWidget* w) {
            QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(w, &in);
        };
        windowLeaves(f->Koumoku_NM);
        f->Koumoku_NM->setSelStart(1);
        windowReturns(f->Koumoku_NM);  // same field: no lost or got focus
        QCOMPARE(base(f->Koumoku_NM), QColor(0xFF, 0xFF, 0x80));
        QCOMPARE(f->Koumoku_NM->selLength(), 0);

        // The focus was moved while the box was up: the field left loses its colour then.
        windowLeaves(f->Koumoku_NM);
        windowReturns(f->Zokusei);
        QCOMPARE(base(f->Koumoku_NM), QColor(Qt::white));
        QCOMPARE(base(f->Zokusei), QColor(0xFF, 0xFF, 0x80));
    }

    void upMovesBackWithoutWrapping() {
        ShownScreen s;
        F_R205730* f = s.form();
        s.enterBody(f->Koumoku);
        f->Koumoku->setEnabled(false);
        s.focus(f->Koumoku_NM);
        QTest::keyClick(f->Koumoku_NM, Qt::Key_Up);  // every earlier field disabled: no wrap
        QCOMPARE(f->activeControl(), f->Koumoku_NM);

        s.focus(f->Nagasa);
        f->Nagasa->setText(QStringLiteral("123"));
        f->Nagasa->setSelStart(1);
        QTest::keyClick(f->Nagasa, Qt::Key_Up);  // caret inside the text: nothing moves
        QCOMPARE(f->activeControl(), f->Nagasa);
        selectAllText(f->Nagasa);
        QTest::keyClick(f->Nagasa, Qt::Key_Up);
        QCOMPARE(f->activeControl(), f->Zokusei);

        // From position 0 the search starts at the last position.
        workarea.screenMode = QStringLiteral("HEAD");
        enableInputsForMode(ScreenMode::Head);
        f->Nagasa_S->setEnabled(true);
        s.focus(f->Kensaku);
        QTest::keyClick(f->Kensaku, Qt::Key_Up);
        QCOMPARE(f->activeControl(), f->Nagasa_S);

        // The list is not in the input table: the arrows leave the focus there.
        f->GRID->setFocus();
        focusNextInput();
        focusPreviousInput();
        QCOMPARE(f->activeControl(), f->GRID);
    }

    void fullFieldMovesOnUnlessShiftOrLast() {
        ShownScreen s(nullptr, [](TestDatabase& d) { d.loadSampleData(); });  // attribute X must exist
        F_R205730* f = s.form();
        s.enterBody(f->Koumoku);
        QTest::keyClicks(f->Koumoku, "123456");
        QCOMPARE(f->Koumoku->text(), QStringLiteral("123456"));
        QCOMPARE(f->activeControl(), f->Koumoku_NM);
        QCOMPARE(autoAdvanceCheckFailed, False);

        s.focus(f->Koumoku);
        f->Koumoku->clear();
        QTest::keyClicks(f->Koumoku, "12345");
        QTest::keyClick(f->Koumoku, Qt::Key_6, Qt::ShiftModifier);  // Shift held: stays
        QCOMPARE(f->Koumoku->text(), QStringLiteral("123456"));
        QCOMPARE(f->activeControl(), f->Koumoku);

        s.focus(f->Zokusei);
        QTest::keyClick(f->Zokusei, 'x');
        QCOMPARE(f->Zokusei->text(), QStringLiteral("X"));
        QCOMPARE(f->activeControl(), f->Nagasa);

        QVERIFY(!f->Nagasa_S->isEnabled());  // attribute X has no decimal part
        f->Nagasa_S->setEnabled(true);
        s.focus(f->Nagasa_S);
        QTest::keyClicks(f->Nagasa_S, "12");
        QCOMPARE(f->activeControl(), f->Nagasa_S);  // the last field never moves on

        // Typed full with the caret not at the end: only a one-character selection there counts.
        s.focus(f->Nagasa);
        f->Nagasa->setText(QStringLiteral("123"));
        f->Nagasa->setSelStart(0);
        QTest::keyClick(f->Nagasa, '9');
        QCOMPARE(f->Nagasa->text(), QStringLiteral("9123"));
        QCOMPARE(f->activeControl(), f->Nagasa);
    }

    void nameTooLongInBytesIsCutAndMovesOn() {
        ShownScreen s;
        F_R205730* f = s.form();
        s.enterBody(f->Koumoku_NM);
        f->Koumoku_NM->setText(QStringLiteral("一二三四五六七八九十"));
        QCOMPARE(s.tk().queuedEnters, 0);
        f->Koumoku_NM->setSelStart(3);
        // F2 skips the name check, whose select-all would hide where the caret was left.
        workarea.skipNextCheck = True;
        typeText(f->Koumoku_NM, QStringLiteral("亜"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("一二三亜四五六七八九"));
        QCOMPARE(f->Koumoku_NM->selStart(), 4);
        QCOMPARE(s.tk().queuedEnters, 1);
        QCOMPARE(f->activeControl(), f->Koumoku_NM);
        QApplication::processEvents();  // the queued Enter arrives as if typed
        QCOMPARE(f->activeControl(), f->Zokusei);

        // Twenty half-width characters are twenty bytes: no cut, no Enter.
        s.focus(f->Koumoku_NM);
        f->Koumoku_NM->setText(QStringLiteral("ｱｲｳｴｵｶｷｸｹｺabcdefghi"));
        typeText(f->Koumoku_NM, QStringLiteral("j"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("ｱｲｳｴｵｶｷｸｹｺabcdefghij"));
        QCOMPARE(s.tk().queuedEnters, 1);
        // A caret beyond the new end is clamped to it.
        f->Koumoku_NM->setText(QStringLiteral("ab一二三四五六七八九"));
        workarea.skipNextCheck = True;
        typeText(f->Koumoku_NM, QStringLiteral("十"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("ab一二三四五六七八"));
        QCOMPARE(f->Koumoku_NM->selStart(), 10);
    }

    // Text the program sets runs none of the handlers of typing: no cut, no check, no Enter.
    void textSetByTheProgramIsNoTyping() {
        ShownScreen s;
        F_R205730* f = s.form();
        s.enterBody(f->Koumoku_NM);
        const QString fifteen = QStringLiteral("漢").repeated(15);
        f->Koumoku_NM->setText(fifteen);
        QApplication::processEvents();
        QCOMPARE(f->Koumoku_NM->text(), fifteen);
        QCOMPARE(s.tk().queuedEnters, 0);
        QCOMPARE(f->activeControl(), f->Koumoku_NM);
        QVERIFY(s.tk().boxes.isEmpty());
    }

    void normalisingCutsToTheByteLimit_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("ten kanji in 20") << 2 << "一二三四五六七八九十" << "一二三四五六七八九十";
        QTest::newRow("eleven kanji in 20") << 2 << "一二三四五六七八九十百" << "一二三四五六七八九十";
        QTest::newRow("katakana in 4") << 4 << "ｱｲｳｴ" << "ｱｲｳｴ";
        QTest::newRow("kanji in 4") << 4 << "日本語" << "日本";
        QTest::newRow("mixed exact") << 4 << "ｱ日ｲ" << "ｱ日ｲ";
        QTest::newRow("mixed cut inside a kanji") << 4 << "a日本" << "a日";
        QTest::newRow("kanji in 1") << 3 << "日" << "";
        QTest::newRow("outside code page 932") << 2 << "😀a" << "?a";
    }
    void normalisingCutsToTheByteLimit() {
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        ShownScreen s;
        InputField* field = workarea.inputControls[position];
        field->setText(text);
        Int16 p = Int16(position);
        Int16 result = 7;
        workarea.skipNextCheck = True;  // the text is cut also when the check itself is skipped
        if (checkField(p) == CheckResult::Stop) result = 9;
        QCOMPARE(field->text(), normalised);
        QCOMPARE(result, Int16(7));
        QVERIFY(s.tk().boxes.isEmpty());  // a check that ran would have told of the emptied field
        QCOMPARE(workarea.skipNextCheck, False);
        QCOMPARE(p, Int16(position));
    }

    void byteLengths() {
        QCOMPARE(sjisByteLength(QStringLiteral("ｱｲｳ")), 3);
        QCOMPARE(sjisByteLength(QStringLiteral("漢字")), 4);
        QCOMPARE(sjisByteLength(QString()), 0);
        QCOMPARE(sjisByteLength(QStringLiteral("A漢ｱ")), 4);
    }
};

QTEST_MAIN(NavigationTest)
#include "test_navigation.moc"
