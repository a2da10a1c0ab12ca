// Item information master maintenance: the screen F_R205730 and its routines.
#pragma once

#include "itemmaster/f_r205730.h"
#include "screen/screen.h"
#include "startup/workarea.h"

// Fills the item list from the database.
void loadItemList();
// Puts the screen into its initial state: inputs cleared, input table built,
// mode "HEAD", the focus in the search field.
void initItemScreen();
// The screen's keys: Enter checks the field and moves on, Up and Down move.
void handleScreenKey(Int16 keyCode);

// Fills the header band: screen ID, operator code and name, today's date.
void showHeaderBand();
// Checks one input position; result 9 stops the caller, 0 passed.
void checkField(Int16 position, Int16& result);
