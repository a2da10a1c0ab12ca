// Item information master maintenance: the screen F_R205730 and its routines.
#pragma once

#include "itemmaster/f_r205730.h"
#include "screen/screen.h"
#include "startup/workarea.h"


// Fills the item list from the database.
void loadItemList();
// Puts the screen into its initial state (mode "HEAD").
void initItemScreen();
// Fills the header band: screen ID, operator code and name, today's date.
void showHeaderBand();
