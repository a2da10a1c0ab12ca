// Start-up, the exit question and the orderly end.
#pragma once

#include "startup/profile.h"
#include "core/workarea.h"

// Before the toolkit starts: opens the database and reads the item list on a second thread, for
// initProgram to take when the settings are the same then. Does nothing where the locale would
// change under that thread.
void startReadingAhead(const QString& programFolder);
// The entry point after the toolkit is up: fills the work area, shows the
// main screen and takes the operator from the command line.
void Main();
// Settings, profile, connection, appearance; ends the program on failure.
void initProgram();
// "終了してもよろしいですか": Yes closes the connection and ends the program;
// No returns true so that the close is cancelled.
bool confirmExit();
