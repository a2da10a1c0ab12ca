// The input field of every screen: a line edit with the classic text-box
// properties and events. Whatever enters it (keystroke, paste, drag and drop,
// input-method commit) passes its key-press handlers character by character.
#pragma once

#include "core/workarea.h"

#include <QClipboard>
#include <QLineEdit>
#include <functional>

class Form;
class QMenu;

class InputField : public QLineEdit {
    Q_OBJECT
public:
    // Classic input-method modes.
    enum ImeMode : int { imeNoControl = 0, imeOn = 1, imeOff = 2, imeDisable = 3, imeHiragana = 4 };

    explicit InputField(QWidget* parent = nullptr);

    // Place in the screen's tab order; the input table keys on it.
    int tabIndex() const;
    void setTabIndex(int index);

    bool locked() const { return isReadOnly(); }
    void setLocked(bool on) { setReadOnly(on); }

    // Caret and selection in characters; values beyond the text are clamped to its end.
    int selStart() const;
    void setSelStart(int start);
    int selLength() const;
    void setSelLength(int length);

    // Classic colour number: red + 256 * green + 65536 * blue, or a system colour.
    void setBackColor(double colour);
    double backColor() const { return backColor_; }
    void setForeColor(double colour);
    double foreColor() const { return foreColor_; }

    int imeMode() const { return imeMode_; }
    void setImeMode(int mode);

    // A non-null character hides the text.
    QChar passwordChar() const { return passwordChar_; }
    void setPasswordChar(QChar mask);

    // Inserts text at the caret as if each character had been typed.
    void insertFiltered(const QString& text);
    void pasteFiltered(QClipboard::Mode mode = QClipboard::Clipboard);
    // The context menu, its paste going through the filter.
    QMenu* buildContextMenu();

    Form* form() const;
    // Runs the lost-focus handler for a focus that left while another window had the keyboard.
    void raiseLostFocus();

    // Event handlers the screen attaches. Key codes are classic virtual-key
    // numbers, the shift state the classic bit mask; onKeyPress gets the
    // 16-bit character code and may change it, 0 discarding the keystroke.
    std::function<void()> onGotFocus;
    std::function<void()> onLostFocus;
    // Runs after an edit by the operator; text set by the program runs no handler.
    std::function<void()> onChange;
    std::function<void(Int16& keyCode, Int16 shift)> onKeyDown;
    std::function<void(Int16& keyAscii)> onKeyPress;
    std::function<void(Int16& keyCode, Int16 shift)> onKeyUp;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void handleKeyPress(QKeyEvent* event);
    // The form's key press, then the field's; false when the field went away.
    bool runKeyPress(Int16& keyAscii);
    void fireChange();
    // Paints a selection in the selection colours only while the field has the keyboard.
    void showSelectionWithFocus();
    // Turns the system's input method on or off as the field's mode says, on entering it.
    void followImeMode();
    // Runs an edit of the line edit's own and raises one change afterwards,
    // so that the change handler sees the edit finished.
    template <typename Edit>
    void editing(Edit edit);

    double backColor_ = 0x80000005;  // window background
    double foreColor_ = 0x80000008;  // window text
    int imeMode_ = imeNoControl;
    QChar passwordChar_;
    int standaloneTabIndex_ = 0;
    bool suppressChange_ = false;
};
