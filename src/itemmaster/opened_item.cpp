// The item an entry works on: which stored row it is, what it held when the entry began, and
// whether its values can be shown whole in the entry fields.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/cp932.h"
#include "platform/platform.h"

#include <algorithm>

using namespace platform;

namespace {

const QString doesNotFit =
    QStringLiteral("入力欄に収まらない値があるため、この項目は変更・削除できません");
const QString isMissing = QStringLiteral("項目名か属性が空のため、この項目は変更・削除できません");

// The number fields hold whole numbers; anything else another program stored there (a fraction,
// letters) would be written back changed, or never match its own row again.
bool holdsNumber(const ItemColumn& col) { return col.list == ListColumn::ItemNumber || col.isLength; }

bool wholeNumber(QStringView text) {
    if (text.startsWith(QLatin1Char('-'))) text = text.mid(1);
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

}  // namespace

void openStoredItem(const QString& key, const QStringList& shown) { screenState().openedItem = OpenedItem{true, key, shown, {}}; }

void openNewItem() { screenState().openedItem = OpenedItem{}; }

bool fitsField(const InputField* field, const QString& text) {
    const int limit = field->maxLength();
    // Whole in characters, and unchanged by the cut to the field's bytes that every check runs.
    return text.size() <= limit && cutToCp932Bytes(text, limit) == text;
}

Unfit unfitValues(const QStringList& values) {
    const F_R205730* f = itemScreen();
    int i = 0;
    for (const ItemColumn* col : entryColumns) {
        const QString value = values.value(i++);
        if (!fitsField(col->fieldOn(f), value)) return Unfit::TooLong;
        const QString trimmed = trimSpaces(value);
        if (holdsNumber(*col)) {
            if (!wholeNumber(trimmed) || (col->list == ListColumn::ItemNumber && trimmed.isEmpty())) return Unfit::TooLong;
        } else if (trimmed.isEmpty()) {
            // Another program wrote the row without a name or attribute: opened, it would only
            // fail its own checks.
            return Unfit::Missing;
        }
    }
    return Unfit::None;
}

void showInEntryFields(const QStringList& values) {
    const F_R205730* f = itemScreen();
    int i = 0;
    for (const ItemColumn* col : entryColumns) col->fieldOn(f)->setText(values.value(i++));
}

void refuseUnfitItem(const QStringList& values) {
    msgBox(unfitValues(values) == Unfit::Missing ? isMissing : doesNotFit, vbOKOnly | vbExclamation);
}

QString conflictMessage(Conflict conflict, bool deleting) {
    const QString stopped = deleting ? QStringLiteral("削除を中止しました") : QStringLiteral("更新を中止しました");
    switch (conflict) {
    case Conflict::Changed: return QStringLiteral("他の端末でこの項目が変更されたため、") + stopped;
    case Conflict::Deleted: return QStringLiteral("他の端末でこの項目が削除されたため、") + stopped;
    case Conflict::Added: break;
    }
    return QStringLiteral("他の端末で同じ項目Noが追加されたため、追加を中止しました");
}
