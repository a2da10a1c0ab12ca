#include "screen/input_field.h"

#include "platform/platform.h"
#include "colours.h"
#include "screen/form.h"
#include "screen/keys.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>

namespace {

// The character code a key press delivers, 0 when it delivers none.
Int16 keyAsciiOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    const int key = event->key();
    if (key == Qt::Key_Backspace) return vbKeyBack;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return vbKeyReturn;
    if (key == Qt::Key_Escape) return vbKeyEscape;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return 0;
    if (m & Qt::AltModifier) return 0;
    if (m & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<Int16>(key - Qt::Key_A + 1);
        return 0;
    }
    const QList<uint> chars = event->text().toUcs4();
    if (chars.size() != 1 || chars[0] < 32 || chars[0] == 127) return 0;
    return charCodeOf(chars[0]);
}

bool lostToAnotherWindow(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

// The checks select the text of fields that do not have the keyboard. Qt shows a line edit's
// cursor whenever it holds a selection and the style blinks the cursor over selected text, focus
// or not: every field the checks passed would show one. Only the field being typed in does.
class FieldStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* data) const override {
        if (hint == SH_BlinkCursorWhenTextSelected && widget && !widget->hasFocus()) return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

QStyle* fieldStyle() {
    static QPointer<FieldStyle> style;
    if (!style) {
        style = new FieldStyle;  // over the application's style
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

}  // namespace

InputField::InputField(QWidget* parent) : QLineEdit(parent) {
    setStyle(fieldStyle());
    // The change handler is the operator's: text the program sets (setText) never runs it, or a
    // stored value shown in a field would be cut and checked as if typed. Edits of the line
    // edit's own that bypass editing() (the context menu's cut, delete, undo) still do.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!suppressChange_) fireChange();
    });
}

Form* InputField::form() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* f = qobject_cast<Form*>(w)) return f;
    return nullptr;
}

int InputField::tabIndex() const {
    const Form* f = form();
    return f ? f->tabIndex(this) : standaloneTabIndex_;
}

void InputField::setTabIndex(int index) {
    if (Form* f = form()) f->setTabIndex(this, index);
    else standaloneTabIndex_ = index;
}

int InputField::selStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

void InputField::setSelStart(int start) {
    setCursorPosition(std::clamp(start, 0, static_cast<int>(text().size())));
}

int InputField::selLength() const { return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0; }

void InputField::setSelLength(int length) {
    const int start = selStart();
    const int end = std::clamp(start + std::max(length, 0), start, static_cast<int>(text().size()));
    if (end == start) setCursorPosition(start);
    else setSelection(start, end - start);
}

void InputField::setBackColor(double colour) {
    backColor_ = colour;
    paintRole(this, QPalette::Base, colour);
    showSelectionWithFocus();
}

void InputField::setForeColor(double colour) {
    foreColor_ = colour;
    paintRole(this, QPalette::Text, colour);
    showSelectionWithFocus();
}

void InputField::showSelectionWithFocus() {
    // The checks select the text of every field they pass; only the field being typed in shows it.
    const QPalette standard = QApplication::palette(this);
    QPalette p = palette();
    const bool shown = hasFocus();
    p.setColor(QPalette::Highlight, shown ? standard.color(QPalette::Highlight) : p.color(QPalette::Base));
    p.setColor(QPalette::HighlightedText, shown ? standard.color(QPalette::HighlightedText) : p.color(QPalette::Text));
    setPalette(p);
}

void InputField::setImeMode(int mode) {
    imeMode_ = mode;
    const bool off = mode == imeOff || mode == imeDisable;
    setAttribute(Qt::WA_InputMethodEnabled, !off);
    setInputMethodHints(off ? Qt::ImhLatinOnly | Qt::ImhPreferLatin : Qt::ImhNone);
}

void InputField::followImeMode() {
    if (imeMode_ == imeOn || imeMode_ == imeHiragana) platform::switchInputMethod(true);
    else if (imeMode_ == imeOff || imeMode_ == imeDisable) platform::switchInputMethod(false);
}

void InputField::setPasswordChar(QChar mask) {
    passwordChar_ = mask;
    setEchoMode(mask.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void InputField::fireChange() {
    if (onChange) platform::runHandler(onChange);
}

template <typename Edit>
void InputField::editing(Edit edit) {
    QPointer<InputField> self(this);
    const QString before = text();
    const bool outer = !suppressChange_;
    suppressChange_ = true;
    edit();
    if (!self) return;
    if (outer) {
        suppressChange_ = false;
        if (text() != before) fireChange();
    }
}

bool InputField::runKeyPress(Int16& keyAscii) {
    QPointer<InputField> self(this);
    if (Form* f = form()) platform::runHandler([&] { f->previewKeyPress(keyAscii); });
    if (!self) return false;
    if (keyAscii != 0 && onKeyPress) platform::runHandler([&] { onKeyPress(keyAscii); });
    return !self.isNull();
}

void InputField::insertFiltered(const QString& incoming) {
    if (isReadOnly() || !isEnabled()) return;
    QPointer<InputField> self(this);
    editing([&] {
        for (const uint ch : incoming.toUcs4()) {
            if (ch < 32 || ch == 127) continue;  // line breaks and controls are no typing
            const auto c = static_cast<char32_t>(ch);
            const Int16 typed = charCodeOf(c);
            Int16 code = typed;
            if (!runKeyPress(code)) return;
            if (code == 0) continue;
            const QString piece = code == typed ? QString::fromUcs4(&c, 1) : textOfCharCode(code);
            if (!piece.isEmpty()) insert(piece);
        }
    });
}

void InputField::pasteFiltered(QClipboard::Mode mode) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard) insertFiltered(clipboard->text(mode));
}

// The line edit would take some of the window's keys for editing (Ctrl+E is "end of line" on X11):
// left unclaimed here, they reach the window.
bool InputField::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const Form* f = form();
        if (f && f->isWindowKey(static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void InputField::keyPressEvent(QKeyEvent* event) {
    platform::runHandler([&] { handleKeyPress(event); });
}

void InputField::handleKeyPress(QKeyEvent* event) {
    QPointer<InputField> self(this);
    event->accept();
    Int16 code = classicKeyCode(event);
    if (code != 0 && onKeyDown) {
        onKeyDown(code, classicShift(event));
        if (!self || code == 0) return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Int16 ascii = keyAsciiOf(event);  // Ctrl+V is a keystroke of its own, code 22
        if (ascii != 0 && (!runKeyPress(ascii) || ascii == 0)) return;
        pasteFiltered();
        return;
    }
    const QList<uint> chars = event->text().toUcs4();
    if (chars.size() > 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        insertFiltered(event->text());
        return;
    }
    const Int16 typed = keyAsciiOf(event);
    if (typed == 0 && (event->modifiers() & Qt::AltModifier) && !chars.isEmpty() && chars[0] >= 32) {
        event->ignore();  // an accelerator, never a character in the field
        return;
    }
    if (typed == 0) {
        editing([&] { QLineEdit::keyPressEvent(event); });
        return;
    }
    Int16 ascii = typed;
    if (!runKeyPress(ascii) || ascii == 0) return;
    if (ascii == typed) {
        editing([&] { QLineEdit::keyPressEvent(event); });
        return;
    }
    if (isReadOnly()) return;
    editing([&] {
        if (ascii == vbKeyBack) backspace();
        else if (const QString piece = textOfCharCode(ascii); !piece.isEmpty()) insert(piece);
    });
}

void InputField::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (event->isAutoRepeat() || !onKeyUp) return;
    Int16 code = classicKeyCode(event);
    if (code == 0) return;
    const Int16 shift = classicShift(event);
    platform::runHandler([&] { onKeyUp(code, shift); });
}

void InputField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    showSelectionWithFocus();
    followImeMode();
    // Back from a message box or another program: the field never lost the focus.
    Form* f = form();
    const bool wasParked = f ? f->takeParked(this) : true;
    if (wasParked && lostToAnotherWindow(event->reason())) return;
    if (onGotFocus) platform::runHandler(onGotFocus);
}

void InputField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    showSelectionWithFocus();
    Form* f = form();
    if (lostToAnotherWindow(event->reason())) {
        if (f) f->parkFocus(this);
        return;
    }
    if (f) f->takeParked(this);
    raiseLostFocus();
}

void InputField::raiseLostFocus() {
    if (onLostFocus) platform::runHandler(onLostFocus);
}

void InputField::inputMethodEvent(QInputMethodEvent* event) {
    platform::runHandler([&] {
        if (event->commitString().isEmpty()) {
            editing([&] { QLineEdit::inputMethodEvent(event); });
            return;
        }
        const QString committed = event->commitString();
        QInputMethodEvent composing(event->preeditString(), event->attributes());
        editing([&] {
            QLineEdit::inputMethodEvent(&composing);
            insertFiltered(committed);
        });
        event->accept();
    });
}

void InputField::dropEvent(QDropEvent* event) {
    platform::runHandler([&] {
        if (event->source() == this || !event->mimeData()->hasText()) {
            editing([&] { QLineEdit::dropEvent(event); });
            return;
        }
        QDragLeaveEvent leave;
        QLineEdit::dragLeaveEvent(&leave);
        // The filter works on the field that has the focus.
        setFocus(Qt::OtherFocusReason);
        if (window()->focusWidget() != this) {
            event->ignore();
            return;
        }
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        insertFiltered(event->mimeData()->text());
        event->setDropAction(Qt::CopyAction);
        event->accept();
    });
}

void InputField::mouseReleaseEvent(QMouseEvent* event) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard && clipboard->supportsSelection()) {
        platform::runHandler([&] {
            setCursorPosition(cursorPositionAt(event->position().toPoint()));
            pasteFiltered(QClipboard::Selection);
        });
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QMenu* InputField::buildContextMenu() {
    QMenu* menu = createStandardContextMenu();
    // Newer Qt names the standard actions; older Qt is known by the translated caption.
    QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
    const QString caption = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* action : menu->actions())
        if (!paste && action->text().section(QLatin1Char('\t'), 0, 0) == caption) paste = action;
    if (paste) {
        paste->setObjectName(QStringLiteral("edit-paste"));
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this, [this] { platform::runHandler([this] { pasteFiltered(); }); });
    }
    return menu;
}

void InputField::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = buildContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
