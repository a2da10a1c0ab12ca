#include "itemmaster/itemmaster.h"

void loadItemList() {}

void initItemScreen() {
    clearInputs();
    workarea.screenMode = QStringLiteral("HEAD");
}

void showHeaderBand() {}
