#include "platform/platform.h"
#include "screen/screen.h"

#include "itemmaster/itemmaster.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

void applyAppearance() {
    try {
        Form* form = workarea.mainForm;
        form->ensureLoaded();
    } catch (const platform::ProgramEnded&) {
        throw;
    } catch (const std::exception& e) {
        platform::fatal(QStringLiteral("項目設定エラー"), QStringLiteral("appearance: ") + QString::fromUtf8(e.what()));
    }
}

void centreForm(QWidget* form) {
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect display = screen->geometry();
    const QRect frame = form->frameGeometry();
    const int left = static_cast<int>(std::nearbyint(double(display.width() - frame.width()))) / 2;
    const int top = static_cast<int>(std::nearbyint(double(display.height() - frame.height()))) / 2;
    form->move(display.left() + left, display.top() + top);
}

void clearInputs() { workarea.inputCount = 0; }
