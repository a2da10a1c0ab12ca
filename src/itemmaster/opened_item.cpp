// The item an entry works on: which stored row it is, what it held when the entry began, and
// whether its values can be shown whole in the entry fields.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/cp932.h"
#include "platform/platform.h"

using namespace platform;

OpenedItem openedItem;

namespace {

const QString doesNotFit =
    QStringLiteral("入力欄に収まらない値があるため、この項目は変更・削除できません");

}  // namespace

void openStoredItem(const QString& key, const QStringList& shown) { openedItem = OpenedItem{true, key, shown}; }

void openNewItem() { openedItem = OpenedItem{}; }

bool fitsField(const InputField* field, const QString& text) {
    const int limit = field->maxLength();
    // Whole in characters, and unchanged by the cut to the field's bytes that every check runs.
    return text.size() <= limit && cutToCp932Bytes(text, limit) == text;
}

bool fitsEntryFields(const QStringList& values) {
    const F_R205730* f = itemScreen();
    int i = 0;
    for (const ItemColumn* col : entryColumns)
        if (!fitsField(col->fieldOn(f), values.value(i++))) return false;
    return true;
}

void showInEntryFields(const QStringList& values) {
    const F_R205730* f = itemScreen();
    int i = 0;
    for (const ItemColumn* col : entryColumns) col->fieldOn(f)->setText(values.value(i++));
}

void refuseUnfitItem() { msgBox(doesNotFit, vbOKOnly | vbExclamation); }

QString conflictMessage(Conflict conflict, bool deleting) {
    const QString stopped = deleting ? QStringLiteral("削除を中止しました") : QStringLiteral("更新を中止しました");
    switch (conflict) {
    case Conflict::Changed: return QStringLiteral("他の端末でこの項目が変更されたため、") + stopped;
    case Conflict::Deleted: return QStringLiteral("他の端末でこの項目が削除されたため、") + stopped;
    case Conflict::Added: break;
    }
    return QStringLiteral("他の端末で同じ項目Noが追加されたため、追加を中止しました");
}
