// The item screen on a real X server, with the real message box and real keystrokes (xdotool):
// after a box closes the window has the keyboard again, also where no window manager hands it
// back, and only the field that has the focus wears the focus colour.
#include "item_screen.h"

#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include <functional>

using namespace platform;

namespace {

// Sends keystrokes through the X server to whatever window has its keyboard.
bool xdotool(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }

// Presses keys on the next message box once it is up and has the keyboard; whileUp runs first.
void answerNextBox(const QString& keys, const std::function<void()>& whileUp = {}) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, keys, whileUp] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isActiveWindow()) return;
        poll->deleteLater();
        poll->stop();
        if (whileUp) whileUp();
        xdotool({QStringLiteral("key"), keys});
    });
    poll->start(50);
}

// The fields whose picture shows a selection in the selection colour.
QList<InputField*> showingSelection(const F_R205730* f) {
    const QPalette standard = QApplication::palette();
    const QRgb active = standard.color(QPalette::Active, QPalette::Highlight).rgb();
    const QRgb inactive = standard.color(QPalette::Inactive, QPalette::Highlight).rgb();
    QList<InputField*> showing;
    for (InputField* field : f->fields()) {
        const QImage picture = field->grab().toImage().convertToFormat(QImage::Format_RGB32);
        bool found = false;
        for (int y = 0; y < picture.height() && !found; ++y)
            for (int x = 0; x < picture.width() && !found; ++x)
                found = picture.pixel(x, y) == active || picture.pixel(x, y) == inactive;
        if (found) showing.append(field);
    }
    return showing;
}

// The fields whose picture shows a text cursor: a column of the text's colour down the field.
QList<InputField*> showingCursor(const F_R205730* f) {
    QList<InputField*> showing;
    for (InputField* field : f->fields()) {
        const QImage picture = field->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb ink = field->palette().color(QPalette::Text).rgb();
        const int tall = field->fontMetrics().height() * 3 / 4;
        bool found = false;
        for (int x = 2; x < picture.width() - 2 && !found; ++x) {
            int run = 0;
            for (int y = 0; y < picture.height() && !found; ++y) {
                run = picture.pixel(x, y) == ink ? run + 1 : 0;
                found = run >= tall;
            }
        }
        if (found) showing.append(field);
    }
    return showing;
}

// The fields painted in the focus colour.
QList<InputField*> inFocusColour(const F_R205730* f) {
    QList<InputField*> painted;
    for (InputField* field : f->fields())
        if (field->backColor() == workarea.TextFocusColor) painted.append(field);
    return painted;
}

}  // namespace

class TestItemXServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        installJapaneseTexts();
    }

    void afterTheSaveQuestionTheWindowTakesAltA() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        setToolkit(nullptr);  // the real message box
        // The pointer stays off the window: an operator who never touches the mouse.
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
        QTRY_VERIFY(f->isActiveWindow());

        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("80")}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_COMPARE(QApplication::focusWidget(), f->Koumoku_NM);
        QCOMPARE(inFocusColour(f), QList<InputField*>{f->Koumoku_NM});
        QCOMPARE(showingSelection(f), QList<InputField*>{f->Koumoku_NM});

        // Esc checks every field (each check selects its field's text) and asks the save
        // question; while it is up no field has the keyboard, so none shows a selection or a
        // text cursor. N drops the entry and the search field takes over.
        QList<InputField*> selectedWhileAsked{f->Kensaku};
        QList<InputField*> cursorWhileAsked{f->Kensaku};
        answerNextBox(QStringLiteral("n"), [&] {
            selectedWhileAsked = showingSelection(f);
            cursorWhileAsked = showingCursor(f);
        });
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QTRY_VERIFY(s.inHead());
        QTRY_VERIFY(f->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), f->Kensaku);
        QTRY_COMPARE(inFocusColour(f), QList<InputField*>{f->Kensaku});
        QCOMPARE(selectedWhileAsked, QList<InputField*>{});
        QCOMPARE(cursorWhileAsked, QList<InputField*>{});

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt+a")}));
        QTRY_COMPARE(screenState().newItemFlag, Int16(1));
        QTRY_COMPARE(QApplication::focusWidget(), f->Koumoku);
        QCOMPARE(inFocusColour(f), QList<InputField*>{f->Koumoku});
    }

    // Keys typed right after Alt+A, faster than anyone watches the screen, land where they would
    // have landed had they been typed slowly: in the new item's number.
    void keysTypedAheadOfTheAddCommandLandInTheNewItem() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
        QTRY_VERIFY(f->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), f->Kensaku);
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("1"), QStringLiteral("alt+a"),
                         QStringLiteral("9"), QStringLiteral("3")}));
        QTRY_COMPARE(f->Koumoku->text(), QStringLiteral("93"));
        QCOMPARE(f->Kensaku->text(), QString());
        QCOMPARE(screenState().newItemFlag, Int16(1));
    }

    // The additions' keys act from every field: on X11 a line edit would take Ctrl+E for "end of
    // line" and the export would never open.
    void theAdditionsKeysReachTheWindowFromEveryField() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
        QTRY_VERIFY(f->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), f->Kensaku);
        QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("80")}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_COMPARE(QApplication::focusWidget(), f->Koumoku_NM);
        for (InputField* field : {f->Koumoku_NM, f->Kensaku}) {
            if (field == f->Kensaku) {
                s.tk().answer(vbNo);  // the save question: drop the entry
                QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
                QTRY_COMPARE(QApplication::focusWidget(), f->Kensaku);
            }
            s.tk().events.clear();
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+e")}));
            QTRY_VERIFY(s.tk().events.contains(QStringLiteral("file dialog:一覧の書き出し")));
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+p")}));
            QTRY_VERIFY(s.tk().events.contains(QStringLiteral("print dialog")));
            QCOMPARE(QApplication::focusWidget(), field);
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+f")}));
            QTRY_COMPARE(QApplication::focusWidget(), f->findField);
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
            QTRY_COMPARE(QApplication::focusWidget(), field);
        }
        QCOMPARE(f->Kensaku->text(), QString());
    }
};

QTEST_MAIN(TestItemXServer)
#include "test_item_x_server.moc"
