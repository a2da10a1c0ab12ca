#include "itemmaster/itemmaster.h"

#include "platform/platform.h"

void showHeaderBand() {
    F_R205730* form = workarea.mainForm;
    form->OPR_PGID->setCaption(QStringLiteral("W2057301"));
    form->OPR_OP_CD->setCaption(workarea.operatorCode);
    form->OPR_OP_NM->setCaption(workarea.operatorName);
    form->OPR_HIDUKE->setCaption(platform::toolkit().today().toString(QStringLiteral("yyyy/MM/dd")));
    form->OPR_OPCD->setCaption(QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"));
}

// Until the item checks exist every field passes once its text is cut to its limit.
void checkField(Int16 position, Int16& result) {
    result = 0;
    if (position < 0 || position >= workarea.inputCount) return;
    normaliseFieldText(position);
}
