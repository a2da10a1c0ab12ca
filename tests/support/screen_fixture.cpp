#include "screen_fixture.h"

#include "db/db.h"
#include "startup/startup.h"
#include "test_site.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

void setSampleAppearance() {
    WorkArea& w = workarea;
    w.FormBackColor = QStringLiteral("&H00C0C0C0");
    w.TextBackColor = 0xFFFFFF;
    w.TextForeColor = 0;
    w.TextFocusColor = 0x80FFFF;
    w.LabelBackColor = 0xFFFFFF;
    w.LabelForeColor = 0x000080;
    w.TitleBackColor = 0xFFFF00;
    w.TitleForeColor = 0x800000;
    for (QString* s : {&w.TextFontName, &w.LabelFontName, &w.TitleFontName}) *s = QStringLiteral("IPAGothic");
    for (QString* s : {&w.TextFontSize, &w.LabelFontSize, &w.TitleFontSize}) *s = QStringLiteral("10");
    for (QString* s : {&w.TextFontBold, &w.TextFontItalic, &w.TextFontStrikethru, &w.TextFontUnderline,
                       &w.LabelFontBold, &w.LabelFontItalic, &w.LabelFontStrikethru, &w.LabelFontUnderline,
                       &w.TitleFontItalic, &w.TitleFontStrikethru, &w.TitleFontUnderline})
        *s = QStringLiteral("False");
    w.TitleFontBold = QStringLiteral("True");
}

ShownScreen::ShownScreen(F_R205730* form, const std::function<void(TestDatabase&)>& prepare) {
    resetProgramState();
    scope_ = std::make_unique<platform::ScriptedToolkitScope>();
    database_ = std::make_unique<TestDatabase>();
    // Without a database there is no screen; the test skips or fails through REQUIRE_TEST_DATABASE.
    if (!database_->isReady()) return;
    if (prepare) prepare(*database_);
    database_->configureWorkArea();
    openDatabase();
    setSampleAppearance();
    workarea.mainForm = form ? form : new F_R205730(confirmExit);
    applyAppearance();
    initItemScreen();
    showHeaderBand();
    workarea.mainForm->show();
    workarea.mainForm->activateWindow();
    if (!QTest::qWaitForWindowActive(workarea.mainForm)) qWarning("screen did not become active");
}

ShownScreen::~ShownScreen() {
    resetProgramState();
    database_.reset();
    scope_.reset();
}

void ShownScreen::enterBody(InputField* focusField) {
    setScreenMode(ScreenMode::Body);
    focus(focusField);
}

void ShownScreen::focus(InputField* field) {
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

void typeText(QWidget* target, const QString& text, Qt::KeyboardModifiers modifiers) {
    for (const uint ch : text.toUcs4()) {
        const char32_t c = ch;
        const QString s = QString::fromUcs4(&c, 1);
        // Printable ASCII keys carry their upper-case character as key code.
        const int key = ch >= 0x20 && ch < 0x7F ? int(QChar(ch).toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, modifiers, s);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, s);
        QApplication::sendEvent(target, &release);
    }
}
