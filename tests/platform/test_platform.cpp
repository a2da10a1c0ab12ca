// Code page 932 conversions and the Qt message box behind the seam.
#include "platform/cp932.h"
#include "platform/platform.h"
#include "platform/qt_toolkit.h"
#include "platform/text_match.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTest>

using namespace platform;

class TestPlatform : public QObject {
    Q_OBJECT

    struct BoxSeen {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttonCount = 0;
    };

private slots:
    void cp932ByteLengths_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("ascii") << "ABC123" << 6;
        QTest::newRow("half-width katakana") << "ｱｲｳ" << 3;
        QTest::newRow("kanji") << "漢字" << 4;
        QTest::newRow("mixed") << "項目No．" << 8;
        QTest::newRow("vendor character") << "①髙" << 4;
        QTest::newRow("backslash stays one byte") << "C:\\EDI" << 6;
    }
    void cp932ByteLengths() {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QCOMPARE(cp932Length(text), bytes);
        QCOMPARE(fromCp932(toCp932(text)), text);
    }

    void unmappableCharactersBecomeQuestionMarks() {
        QCOMPARE(fromCp932(toCp932(QStringLiteral("a😀b한c"))), QStringLiteral("a?b?c"));
        QCOMPARE(cp932Length(QStringLiteral("😀")), 1);
    }

    void cutsDropADanglingHalf() {
        QCOMPARE(cutToCp932Bytes(QStringLiteral("漢字ab"), 3), QStringLiteral("漢"));
        QCOMPARE(cutToCp932Bytes(QStringLiteral("漢字ab"), 5), QStringLiteral("漢字a"));
        QCOMPARE(cutToCp932Bytes(QStringLiteral("ｱｲｳｴｵ"), 3), QStringLiteral("ｱｲｳ"));
        QCOMPARE(cutToCp932Bytes(QStringLiteral("abc"), 10), QStringLiteral("abc"));
        QCOMPARE(cutToCp932Bytes(QStringLiteral("abc"), 0), QString());
    }

    void invalidBytesDecodeWithoutFailing() {
        QCOMPARE(fromCp932(QByteArray("a\x81")), QStringLiteral("a"));  // dangling lead byte
        const QString s = fromCp932(QByteArray("\xA0x\xFDy", 4));
        QVERIFY(s.contains(QLatin1Char('x')) && s.contains(QLatin1Char('y')));
        QVERIFY(isValidUtf8("plain ascii"));
        QVERIFY(isValidUtf8(QStringLiteral("項目").toUtf8()));
        QVERIFY(!isValidUtf8(toCp932(QStringLiteral("項目"))));
    }

    // What an operator reads as the same name folds alike; what differs stays apart.
    void namesFoldAsOperatorsReadThem_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("alike");
        QTest::newRow("full- and half-width letters") << "ＡＢＣ" << "abc" << true;
        QTest::newRow("half-width katakana, voiced") << "ｺｰﾄﾞ" << "コード" << true;
        QTest::newRow("hiragana") << "こーど" << "コード" << true;
        QTest::newRow("half-width digits") << "１２３" << "123" << true;
        QTest::newRow("spaces of both widths") << "発注　者 コード" << "発注者コード" << true;
        QTest::newRow("ASCII case") << "JanCode" << "JANCODE" << true;
        QTest::newRow("voicing matters") << "コート" << "コード" << false;
        QTest::newRow("long vowel matters") << "コド" << "コード" << false;
        QTest::newRow("kanji differ") << "発注" << "受注" << false;
    }
    void namesFoldAsOperatorsReadThem() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, alike);
        QCOMPARE(foldForFinding(a) == foldForFinding(b), alike);
    }

    void wholeCp932OrNothing() {
        QCOMPARE(toCp932Whole(QStringLiteral("項目ｱ①")), std::optional<QByteArray>(toCp932(QStringLiteral("項目ｱ①"))));
        QVERIFY(!toCp932Whole(QStringLiteral("a😀b")));
        QVERIFY(!toCp932Whole(QStringLiteral("한")));
        // A question mark of the text's own is no lost character.
        QVERIFY(toCp932Whole(QStringLiteral("?")));
    }

    void trimRemovesOnlySpaces() {
        QCOMPARE(trimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(trimSpaces(QStringLiteral("\ta\t")), QStringLiteral("\ta\t"));
        QCOMPARE(trimSpaces(QStringLiteral("   ")), QString());
    }

    void qtBoxDefaultsAndAnswers() {
        QtToolkit qt;
        BoxSeen seen;
        auto answerWith = [&seen](int key) {
            QTimer::singleShot(0, [&seen, key] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    auto* box = qobject_cast<QMessageBox*>(w);
                    if (!box || !box->isVisible()) continue;
                    seen.text = box->text();
                    seen.title = box->windowTitle();
                    seen.icon = box->icon();
                    seen.buttonCount = int(box->buttons().size());
                    QTest::keyClick(box, Qt::Key(key));
                }
            });
        };

        // The exit question: No is the default, so Enter answers No.
        answerWith(Qt::Key_Return);
        int answer = qt.messageBox(QStringLiteral("終了してもよろしいですか"), vbYesNo | vbExclamation | vbDefaultButton2,
                                   programTitle);
        QCOMPARE(answer, int(vbNo));
        QCOMPARE(seen.title, QStringLiteral("R205730"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttonCount, 2);

        // The save question: Yes is the default; Esc answers Cancel.
        answerWith(Qt::Key_Return);
        QCOMPARE(qt.messageBox(QStringLiteral("この内容で更新しますか"), vbYesNoCancel | vbExclamation, programTitle),
                 int(vbYes));
        QCOMPARE(seen.buttonCount, 3);
        answerWith(Qt::Key_Escape);
        QCOMPARE(qt.messageBox(QStringLiteral("この内容で更新しますか"), vbYesNoCancel | vbExclamation, programTitle),
                 int(vbCancel));

        // A plain message: OK only, no icon; Esc also closes it with OK.
        answerWith(Qt::Key_Escape);
        QCOMPARE(qt.messageBox(QStringLiteral("接続エラー"), vbOKOnly, programTitle), int(vbOK));
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttonCount, 1);

        // Delete question: OK and Cancel.
        answerWith(Qt::Key_Escape);
        QCOMPARE(qt.messageBox(QStringLiteral("削除してよろしいですか"), vbOKCancel | vbExclamation, programTitle),
                 int(vbCancel));
    }

    // Whatever the system language (the suite runs under C.UTF-8), the boxes speak Japanese
    // and Y and N still answer them.
    void qtBoxesShowJapaneseCaptions() {
        installJapaneseTexts();
        QtToolkit qt;
        QStringList captions;
        auto answerWith = [&captions](Qt::Key key) {
            QTimer::singleShot(0, [&captions, key] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                captions.clear();
                for (QAbstractButton* b : box->buttons()) captions.append(b->text());
                QTest::keyClick(box, key);
            });
        };
        const QString saveQuestion = QStringLiteral("この内容で更新しますか");

        answerWith(Qt::Key_N);
        QCOMPARE(qt.messageBox(saveQuestion, vbYesNoCancel | vbExclamation, programTitle), int(vbNo));
        captions.sort();
        QStringList expected{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"), QStringLiteral("キャンセル")};
        expected.sort();
        QCOMPARE(captions, expected);

        answerWith(Qt::Key_Y);
        QCOMPARE(qt.messageBox(saveQuestion, vbYesNoCancel | vbExclamation, programTitle), int(vbYes));
        answerWith(Qt::Key_Y);
        QCOMPARE(qt.messageBox(QStringLiteral("終了してもよろしいですか"), vbYesNo | vbExclamation | vbDefaultButton2,
                               programTitle),
                 int(vbYes));

        answerWith(Qt::Key_Escape);
        QCOMPARE(qt.messageBox(QStringLiteral("削除してよろしいですか"), vbOKCancel | vbExclamation, programTitle),
                 int(vbCancel));
        QCOMPARE(captions.size(), 2);
        QVERIFY(captions.contains(QStringLiteral("OK")) && captions.contains(QStringLiteral("キャンセル")));

        answerWith(Qt::Key_Return);
        QCOMPARE(qt.messageBox(QStringLiteral("接続エラー"), vbOKOnly, programTitle), int(vbOK));
        QCOMPARE(captions, QStringList{QStringLiteral("OK")});
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
