#include "itemmaster/itemmaster.h"

#include "startup/startup.h"

F_R205730::F_R205730() {
    setWindowTitle(QStringLiteral("項目情報マスタ保守 "));
}

void F_R205730::Form_Load() {
    loadItemList();
    centreForm(this);
}

void F_R205730::Form_QueryUnload(Flag& cancel) { cancel = confirmExit(); }
