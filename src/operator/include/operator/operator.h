// Operator sign-on and password change: module R206840, the sign-on dialog W2068401,
// the password change dialog W2068402 and the hand-over of the command line.
#pragma once

#include "core/workarea.h"

#include <QString>
#include <optional>

class W2068401;
class W2068402;

// Outcome of the sign-on: "00" signed on, "01" cancelled.
extern QString signOnResult;

// The operator read by the last successful code check of either dialog.
struct FoundOperator {
    QString code;
    QString name;
    Int16 imeMode = 0;
    Int16 level = 0;
    QString password;
};
extern FoundOperator foundOperator;

// --- hand-over to the work area -------------------------------------------

// Stores the command line, trimmed, as operatorCode; ends the program with
// "オペレータ入力エラー" on failure.
void handOverOperator(const QString& commandLine);
// The operator found becomes the work area's operator; the sign-on dialog closes.
void completeSignOn();
// The work area's operator is emptied; the sign-on dialog closes.
void cancelSignOn();

// --- the two dialogs --------------------------------------------------------

// The one instance of each dialog, created on first use (not shown, not loaded).
W2068401& signOnDialog();
W2068402& changeDialog();
// Back to the state at process start: both dialogs gone, nothing found, no outcome.
void resetOperatorState();

// --- checks: Stop when the operator has been told why ------------------------

// Runs the check of the field at a design tab position of the sign-on dialog.
CheckResult checkSignOnField(Int16 position);
// The same for the password change dialog.
CheckResult checkChangeField(Int16 position);
CheckResult checkSignOnCode();
CheckResult checkChangeCode();
CheckResult checkSignOnPassword();
CheckResult checkOldPassword();
CheckResult checkNewPassword();
CheckResult checkConfirmation();

// The statement texts, values pasted as text literals.
QString operatorReadSql(const QString& code);
QString passwordUpdateSql(const QString& newPassword, const QString& code);

// Column values converted to 16 bits; an empty optional when the value cannot be.
// The leading number of the text, 0 when it begins with none.
std::optional<Int16> leadingNumberToInt16(const QString& text);
// The whole text (spaces around it allowed) must be a number.
std::optional<Int16> wholeNumberToInt16(const QString& text);

// --- dialog routines --------------------------------------------------------

// After a key-up in a field of the sign-on dialog: checks a field typed full and moves on.
void signOnAutoAdvance(Int16 keyCode);
// The same for the password change dialog.
void changeAutoAdvance(Int16 keyCode);
// F5 in the sign-on dialog: the password change dialog with its code and password.
void openPasswordChange();
// Styles both dialogs from the appearance settings; ends the program with
// "項目設定エラー" on failure.
void applyDialogAppearance();
// Program ID and today's date in the header of the password change dialog.
void prepareChangeHeader();
// Re-checks code and old password, then writes the new password in a transaction.
void writeNewPassword();
