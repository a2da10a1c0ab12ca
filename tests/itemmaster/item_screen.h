// The item screen over the sample database, driven by keystrokes as an operator would.
#pragma once

#include "screen_fixture.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

class ItemScreen : public ShownScreen {
public:
    ItemScreen() : ShownScreen(nullptr, [](TestDatabase& d) { d.loadSampleData(); }) {}
    // The sample database, then `prepare` before the screen starts.
    explicit ItemScreen(const std::function<void(TestDatabase&)>& prepare)
        : ShownScreen(nullptr, [prepare](TestDatabase& d) {
              d.loadSampleData();
              prepare(d);
          }) {}

    F_R205730* f() const { return form(); }
    QWidget* focused() const { return QApplication::focusWidget(); }

    // Types into the focused control and lets queued keystrokes arrive.
    void type(const QString& text) {
        typeText(focused(), text);
        QApplication::processEvents();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), key, modifiers);
        QApplication::processEvents();
    }
    // The first data row whose item number cell reads number; 0 when none.
    int listRowOf(const QString& number) const {
        for (int r = 1; r <= screenState().listRowCount; ++r)
            if (f()->GRID->textMatrix(r, 1) == number) return r;
        return 0;
    }
    int itemCount() { return database().queryValue(QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ")).toInt(); }
    QVariant stored(const QString& column, int number) {
        return database().queryValue(
            QStringLiteral("SELECT %1 FROM FL1901項目情報マスタ WHERE 項目No = %2").arg(column).arg(number));
    }
    // Starts a new item with the add command, the focus in the item number.
    void startAdding() {
        QTest::mouseClick(f()->Cmd_tuika, Qt::LeftButton);
        QApplication::processEvents();
    }
    bool inHead() const { return workarea.screenMode == QLatin1String("HEAD"); }
};
