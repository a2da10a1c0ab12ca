// Operator sign-on and password change; the operator hand-over from the command line.
#pragma once

#include <QString>

// Outcome of the sign-on: "00" signed on, "01" cancelled.
extern QString signOnResult;

// Stores the command line, trimmed, as operatorCode; ends the program with
// "オペレータ入力エラー" on failure.
void handOverOperator(const QString& commandLine);
