// Database access: the one ODBC connection and its statements.
#pragma once

#include "startup/workarea.h"

// Builds connectString and opens dbConnection; ends the program with "接続エラー" on failure.
void openDatabase();
void closeDatabase();
