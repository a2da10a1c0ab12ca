#include "platform/cp932.h"
#include "platform/platform.h"
#include "active_control.h"
#include "screen/screen.h"

Flag autoAdvanceCheckFailed = False;

namespace {

InputField* inputAt(int p) {
    const WorkArea& w = workarea;
    return p >= 0 && p < w.inputControls.size() ? w.inputControls[p] : nullptr;
}

bool isEnterable(const InputField* field) {
    return field && field->isEnabled() && !field->isHidden() && !field->locked();
}

// The active control's place in the input table, or -1.
int activePosition() {
    const int a = activeTabIndex();
    return a >= 0 && a < workarea.inputCount ? a : -1;
}

}  // namespace

void focusNextInput() {
    const int a = activePosition();
    if (a < 0) return;
    const int count = workarea.inputCount;
    for (int step = 1; step <= count; ++step) {
        InputField* field = inputAt((a + step) % count);
        if (isEnterable(field)) {
            field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void focusPreviousInput() {
    const int a = activePosition();
    if (a < 0) return;
    const int start = a - 1 == -1 ? workarea.inputCount - 1 : a - 1;
    for (int p = start; p >= 0; --p) {
        InputField* field = inputAt(p);
        if (!isEnterable(field)) continue;
        const InputField* current = activeField();
        const bool wholeOrEmpty =
            !current || current->text().isEmpty() || current->selLength() == current->text().size();
        if (wholeOrEmpty) field->setFocus(Qt::OtherFocusReason);
        return;
    }
}

bool keepsFieldOnKeyUp(Int16 keyCode) {
    switch (keyCode) {
    case vbKeyUp: case vbKeyDown: case vbKeyReturn: case vbKeyEscape: case vbKeyShift: case vbKeyControl: return true;
    default: return false;
    }
}

bool typedFull(int maxLength, int count, int selStart, int selLength) {
    if (maxLength != count) return false;
    return (selStart + selLength == maxLength && selLength == 1) || selStart == maxLength || selLength == maxLength;
}

void autoAdvanceOnKeyUp(Int16 keyCode, Int16 shift) {
    if (shift != 0 || keepsFieldOnKeyUp(keyCode)) return;
    const int a = activeTabIndex();
    if (a == workarea.inputCount - 1) return;  // the last field never moves on by itself
    autoAdvanceCheckFailed = False;
    if (!workarea.mainForm || !workarea.mainForm->isVisible()) return;
    InputField* field = activeField();
    if (!field) return;

    const int maxLength = field->maxLength();
    const int selStart = field->selStart();
    const int selLength = field->selLength();
    const int count = static_cast<int>(field->text().size());
    const QByteArray bytes = platform::toCp932(field->text());
    if (sjisByteLength(field->text()) > maxLength) {
        field->setText(platform::fromCp932(bytes.left(maxLength)));
        field->setSelStart(static_cast<int>(field->text().size()));
    }
    if (!typedFull(maxLength, count, selStart, selLength)) return;
    if (workarea.mainForm->checkField(static_cast<Int16>(field->tabIndex())) == CheckResult::Stop) {
        autoAdvanceCheckFailed = True;
        if (InputField* still = activeField()) selectAllText(still);
    } else {
        focusNextInput();
    }
}

void truncateOnChange(InputField* field) {
    if (!field) return;
    const int maxLength = field->maxLength();
    if (sjisByteLength(field->text()) <= maxLength) return;
    const int caret = field->selStart();
    field->setText(field->text().left(maxLength / 2));
    field->setSelStart(caret);
    if (workarea.mainForm->checkField(static_cast<Int16>(field->tabIndex())) == CheckResult::Passed)
        platform::toolkit().queueEnterKey();
}
