#include "itemmaster/itemmaster.h"

void loadItemList() {}

void initItemScreen() {
    clearInputs();
    buildItemInputTable();
    workarea.screenMode = QStringLiteral("HEAD");
    enableInputsForMode(workarea.screenMode);
    workarea.mainForm->Kensaku->setFocus(Qt::OtherFocusReason);
}

void handleScreenKey(Int16 keyCode) {
    F_R205730* form = workarea.mainForm;
    switch (keyCode) {
    case vbKeyReturn: {
        workarea.skipNextCheck = False;
        QWidget* active = form->activeControl();
        Int16 result = 0;
        checkField(static_cast<Int16>(active ? form->tabIndex(active) : -1), result);
        if (result == 9) return;
        focusNextInput();
        break;
    }
    case vbKeyUp: focusPreviousInput(); break;
    case vbKeyDown: focusNextInput(); break;
    default: break;
    }
}
