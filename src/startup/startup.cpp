// Module R205730_M: the start-up Main, initProgram and the exit question confirmExit.
#include "startup/startup.h"

#include "db/db.h"
#include "itemmaster/itemmaster.h"
#include "operator/operator.h"
#include "platform/platform.h"
#include "screen/input_field.h"
#include "screen/screen.h"
#include "settings/settings.h"

using namespace platform;

void Main() {
    setMousePointer(vbHourglass);
    workarea.mainForm = new F_R205730(confirmExit);
    initProgram();
    initItemScreen();
    showHeaderBand();
    workarea.mainForm->show();
    setMousePointer(vbArrow);
    handOverOperator(toolkit().commandLine());
    showHeaderBand();
}

void initProgram() {
    readEnvironment();
    fillProfile();
    openDatabase();
    readSettings();
    // Its first access to the screen loads it, which fills the item list.
    applyAppearance();
}

bool confirmExit() {
    const int answer = msgBox(QStringLiteral("終了してもよろしいですか"), vbYesNo | vbExclamation | vbDefaultButton2);
    if (answer == vbYes) {
        closeDatabase();
        toolkit().endProgram(0);
    }
    // The first field keeps its colour; the others lose any focus colour.
    for (int p = 1; p < workarea.inputCount && p < workarea.inputControls.size(); ++p)
        workarea.inputControls[p]->setBackColor(workarea.TextBackColor);
    return true;
}
