#include "active_control.h"
#include "screen/screen.h"

QWidget* activeControl() { return workarea.mainForm ? workarea.mainForm->activeControl() : nullptr; }

int activeTabIndex() {
    QWidget* control = activeControl();
    return control ? workarea.mainForm->tabIndex(control) : -1;
}

InputField* activeField() { return qobject_cast<InputField*>(activeControl()); }

void onFieldGotFocus(InputField* field) {
    paintFieldBackground(field, FieldColour::Focus);
    selectAllText(field);
}

void onFieldLostFocus(InputField* field) { paintFieldBackground(field, FieldColour::Normal); }

void paintFieldBackground(InputField* field, FieldColour colour) {
    field->setBackColor(colour == FieldColour::Normal ? workarea.TextBackColor : workarea.TextFocusColor);
}

void selectAllText(InputField* field) {
    if (field->text().isEmpty()) return;
    field->setSelStart(0);
    field->setSelLength(static_cast<int>(field->text().size()));
}

void enableInputsForMode(ScreenMode mode) {
    const WorkArea& w = workarea;
    const QString text = screenModeText(mode);
    for (int p = 0; p < w.inputCount && p < w.inputControls.size(); ++p) {
        InputField* field = w.inputControls[p];
        if (field) field->setEnabled(p < w.inputScreenModes.size() && w.inputScreenModes[p] == text);
    }
}

void setScreenMode(ScreenMode mode) {
    workarea.screenMode = screenModeText(mode);
    enableInputsForMode(mode);
}

bool inScreenMode(ScreenMode mode) { return workarea.screenMode == screenModeText(mode); }
