// The control of mainForm that has the focus, as the framework routines find it.
#pragma once

class QWidget;
class InputField;

QWidget* activeControl();
// Tab index of the active control; -1 when there is none.
int activeTabIndex();
// The active control when it is a text box.
InputField* activeField();
