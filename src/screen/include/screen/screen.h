// The framework shared by every screen of the suite: appearance, focus and
// navigation, keystroke filters, byte-limit normalisation.
#pragma once

#include "screen/form.h"
#include "screen/flex_grid.h"
#include "screen/input_field.h"
#include "screen/keys.h"
#include "screen/label.h"
#include "core/workarea.h"

// --- appearance -----------------------------------------------------------

enum class ControlKind { TextBox, ComboBox, Label, Other };
ControlKind controlKind(const QWidget* control);

// Styles mainForm from the appearance settings; its first access loads the screen.
// Ends the program with "項目設定エラー" on failure.
void applyAppearance();
// The styling of applyAppearance for any screen, without its error handling: a value
// that cannot be applied throws std::runtime_error, leaving what came before applied.
void styleFormBackColor(Form* form);
void styleControls(const Form* form);
// Places a screen in the middle of the display.
void centreForm(QWidget* form);
// Empties the inputs and "lbl_" labels of mainForm and counts the inputs.
void clearInputs();

// Shows the name of the code in codeField on nameLabel; when there is none clears the label,
// sets status to Stop and tells the operator. A name found leaves status as it was.
void showClassName(const QString& classification, QLineEdit* codeField, QLabel* nameLabel, CheckResult& status);

// --- keystroke filters and the input table --------------------------------

// Accepts, converts or discards (sets to 0) one key-press code for the active field.
void filterKeystroke(Int16& keyAscii);
void rejectSecondMinus(Int16& keyAscii);
void rejectSecondPoint(Int16& keyAscii);

// --- focus, navigation, normalisation -------------------------------------

// Set when the check of a field typed full failed; read by the attribute's key-up.
extern Flag autoAdvanceCheckFailed;

// The field's text cut to its maximum length in code page 932 bytes.
void normaliseFieldText(Int16& position);
int sjisByteLength(const QString& text);

void onFieldGotFocus(InputField* field);
void onFieldLostFocus(InputField* field);
// A field's back colour, with the design's markers.
enum class FieldColour { Focus = 1, Normal = 2 };
void paintFieldBackground(InputField* field, FieldColour colour);
void selectAllText(InputField* field);
void focusNextInput();
void focusPreviousInput();
// Enables the inputs of that mode, disables the others.
void enableInputsForMode(ScreenMode mode);
// screenMode := mode, with the inputs of that mode enabled.
void setScreenMode(ScreenMode mode);
bool inScreenMode(ScreenMode mode);
void autoAdvanceOnKeyUp(Int16 keyCode, Int16 shift);
// Keys whose key-up never moves a field on: Up, Down, Enter, Esc, Shift and Ctrl.
bool keepsFieldOnKeyUp(Int16 keyCode);
// A field holding as many characters as its maximum length counts as typed full when the
// caret stands at the end, the whole text is selected, or exactly the last character is.
bool typedFull(int maxLength, int count, int selStart, int selLength);
void truncateOnChange(InputField* field);
