// The framework shared by every screen of the suite: appearance, focus and
// navigation, keystroke filters, byte-limit normalisation.
#pragma once

#include "screen/form.h"
#include "screen/input_field.h"
#include "startup/workarea.h"

// Styles mainForm from the appearance settings; its first access loads the screen.
// Ends the program with "項目設定エラー" on failure.
void applyAppearance();
// Places a screen in the middle of the display.
void centreForm(QWidget* form);
// Empties the inputs and "lbl_" labels of mainForm and counts the inputs.
void clearInputs();
