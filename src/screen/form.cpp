#include "screen/form.h"

#include "platform/platform.h"
#include "colours.h"
#include "screen/flex_grid.h"
#include "screen/input_field.h"
#include "screen/keys.h"

#include <QCloseEvent>

#include <algorithm>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QShowEvent>

Form::Form(QWidget* parent) : QWidget(parent) {
    // The design fixes the size: no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
}

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
void Form::setVisible(bool visible) {
    // Fitted before it shows at all: nothing moves under the operator's eyes.
    if (visible) fitToScreen();
    QWidget::setVisible(visible);
}

void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) activateWindow();
}

namespace {
// Below this the text is too small to read: the screen scrolls instead of shrinking further.
constexpr double smallestScale = 0.6;
}  // namespace

void Form::fitToScreen() {
    if (fitted_) return;
    fitted_ = true;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    // The window manager's frame is not there before the first show: room for a title bar and borders.
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    const int border = 4;
    const QSize room(available.width() - 2 * border, available.height() - titleBar - border);
    const QSize designed = size();
    const double factor = std::min({1.0, double(room.width()) / designed.width(), double(room.height()) / designed.height()});
    if (factor < 1.0) {
        fitScale_ = std::max(factor, smallestScale);
        scaleContent(fitScale_);
        const QSize scaled(qRound(designed.width() * fitScale_), qRound(designed.height() * fitScale_));
        if (factor < smallestScale) scrollContent(scaled.boundedTo(room));
        else resize(scaled);
    }
    setFixedSize(size());
    // Centred on the available area, never with its title bar off it.
    QRect frame(QPoint(), QSize(width() + 2 * border, height() + titleBar + border));
    frame.moveCenter(available.center());
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    if (factor < 1.0 || !available.contains(frameGeometry())) move(frame.topLeft());
}

void Form::scaleContent(double factor) {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect g = child->geometry();
        child->setGeometry(qRound(g.x() * factor), qRound(g.y() * factor), qRound(g.width() * factor),
                           qRound(g.height() * factor));
        QFont font = child->font();
        if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * factor);
        else if (font.pixelSize() > 0) font.setPixelSize(std::max(1, qRound(font.pixelSize() * factor)));
        child->setFont(font);
        if (auto* grid = qobject_cast<FlexGrid*>(child)) grid->setScale(factor);
    }
}

void Form::scrollContent(const QSize& visible) {
    // The controls move onto a page of their own inside a scroll area; their order of focus
    // and everything else stays as it was.
    QPointer<QWidget> focused = focusWidget();
    auto* page = new QWidget;
    page->setPalette(palette());
    page->setAutoFillBackground(true);
    const QList<QWidget*> children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QSize extent;
    for (QWidget* child : children) {
        const bool shown = !child->isHidden();
        child->setParent(page);
        if (shown) child->show();
        extent = extent.expandedTo(QSize(child->geometry().right() + 1, child->geometry().bottom() + 1));
    }
    page->resize(extent);
    auto* area = new QScrollArea(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(page);
    area->setGeometry(QRect(QPoint(), visible));
    resize(visible);
    applyTabOrder();
    if (focused) focused->setFocus(Qt::OtherFocusReason);
}

void Form::addWindowKey(const QKeySequence& key, std::function<void()> action) {
    windowKeys_.append(key);
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, [action = std::move(action)] { platform::runHandler(action); });
}

bool Form::isWindowKey(const QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    return std::any_of(windowKeys_.begin(), windowKeys_.end(),
                       [&](const QKeySequence& key) { return key.matches(pressed) == QKeySequence::ExactMatch; });
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
