#include "screen/form.h"

#include "platform/platform.h"
#include "colours.h"
#include "screen/input_field.h"
#include "screen/keys.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>

Form::Form(QWidget* parent) : QWidget(parent) {}

void Form::ensureLoaded() {
    if (loaded_ || loading_) return;
    loading_ = true;
    // A failure in the load handler travels back to the access that caused it.
    try {
        Form_Load();
    } catch (...) {
        loading_ = false;
        loaded_ = true;
        throw;
    }
    loading_ = false;
    loaded_ = true;
}

bool Form::unload() { return close(); }

void Form::setBackColor(double colour) {
    backColor_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, classicColor(colour));
    setPalette(p);
    setAutoFillBackground(true);
}

QWidget* Form::activeControl() const {
    QWidget* w = focusWidget();
    while (w && w != this) {
        if (controls_.contains(w)) return w;
        w = w->parentWidget();
    }
    return nullptr;
}

int Form::tabIndex(const QWidget* control) const { return tabOrder_.indexOf(const_cast<QWidget*>(control)); }

void Form::setTabIndex(QWidget* control, int index) {
    const qsizetype from = tabOrder_.indexOf(control);
    if (from < 0) return;
    const qsizetype to = std::clamp<qsizetype>(index, 0, tabOrder_.size() - 1);
    tabOrder_.move(from, to);
    applyTabOrder();
}

int Form::twips(int value) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return qRound(value * dpi / 1440.0);
}

void Form::previewKeyPress(Int16& keyAscii) {
    if (keyPreview_) Form_KeyPress(keyAscii);
}

void Form::registerControl(QWidget* control, const QString& name, int left, int top, int width, int height) {
    control->setParent(this);
    control->setObjectName(name);
    control->setGeometry(twips(left), twips(top), twips(width), twips(height));
    controls_.append(control);
    if (control->focusPolicy() != Qt::NoFocus) {
        tabOrder_.append(control);
        applyTabOrder();
    }
    control->installEventFilter(this);
}

void Form::applyTabOrder() {
    for (qsizetype i = 1; i < tabOrder_.size(); ++i) QWidget::setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
}

void Form::closeEvent(QCloseEvent* event) {
    bool cancel = false;
    bool handled = false;
    platform::runHandler([&] {
        Form_QueryUnload(cancel);
        handled = true;
    });
    if (!handled || cancel) {
        event->ignore();
        return;
    }
    platform::runHandler([&] { Form_Unload(); });
    event->accept();
}

// A screen that is shown becomes the active one, with the keyboard in its first field.
void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) activateWindow();
}

bool Form::takeParked(const InputField* field) {
    if (!parked_ || parked_ != field) return false;
    parked_ = nullptr;
    return true;
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && parked_ && parked_ != watched) {
        InputField* left = parked_;
        parked_ = nullptr;
        left->raiseLostFocus();
        return false;
    }
    if (!keyPreview_) return false;
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyRelease && key->isAutoRepeat()) return false;
    Int16 code = classicKeyCode(key);
    if (code == 0) return false;
    const Int16 shift = classicShift(key);
    QPointer<QObject> target(watched);
    if (event->type() == QEvent::KeyPress) platform::runHandler([&] { Form_KeyDown(code, shift); });
    else platform::runHandler([&] { Form_KeyUp(code, shift); });
    // A swallowed key, or a control that the handler took away, ends here.
    return code == 0 || target.isNull();
}
