// Module check_field: the item screen's field checks; the search field's check is the search.
#include "item_columns.h"
#include "itemmaster/item_statements.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"

#include <utility>

using namespace platform;

namespace {

const QString attributeClass = QStringLiteral("属性");
const QString noMatch = QStringLiteral("該当データがありません");

QString trimmedText(const InputField* field) { return trimSpaces(field->text()); }

// A failed check tells the operator why.
CheckResult tell(const QString& message, int style) {
    msgBox(message, style);
    return CheckResult::Stop;
}

bool hasDecimalPart(const QString& attribute) {
    return attribute == QLatin1String("9") || attribute == QLatin1String("N");
}


}  // namespace

int listRowOfNumber(const FlexGrid* grid, const QString& number) {
    constexpr int numberColumn = int(ListColumn::ItemNumber);
    const qint64 wanted = number.toLongLong();
    int low = 1, high = screenState().listRowCount;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (trimSpaces(grid->textMatrix(middle, numberColumn)).toLongLong() < wanted) low = middle + 1;
        else high = middle - 1;
    }
    if (low <= screenState().listRowCount && trimSpaces(grid->textMatrix(low, numberColumn)) == number) return low;
    return screenState().listRowCount + 1;
}

QString numericValueText(const QString& text) {
    // The leading whole number of the text, as the classic Val reads it: 007 is 7, none is 0.
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    while (i < text.size() && text.at(i) == QLatin1Char('0')) ++i;
    qsizetype end = i;
    while (end < text.size() && text.at(end).isDigit() && text.at(end).unicode() < 128) ++end;
    const QString digits = text.mid(i, end - i);
    if (digits.isEmpty()) return QStringLiteral("0");
    return negative ? QLatin1Char('-') + digits : digits;
}

static double numericValue(const QString& text) { return numericValueText(text).toDouble(); }

void showHeaderBand() {
    F_R205730* form = itemScreen();
    form->OPR_PGID->setCaption(QStringLiteral("W2057301"));
    form->OPR_OP_CD->setCaption(workarea.operatorCode);
    form->OPR_OP_NM->setCaption(workarea.operatorName);
    form->OPR_HIDUKE->setCaption(toolkit().today().toString(QStringLiteral("yyyy/MM/dd")));
    form->OPR_OPCD->setCaption(QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"));
}

CheckResult checkField(Int16 position) {
    // Enter on a control outside the input table checks nothing.
    if (position < 0 || position >= workarea.inputCount || position >= workarea.inputControls.size())
        return CheckResult::Passed;
    normaliseFieldText(position);
    if (workarea.skipNextCheck != False) {
        workarea.skipNextCheck = False;
        return CheckResult::Passed;
    }
    InputField* control = workarea.inputControls[position];
    const F_R205730* f = itemScreen();
    const std::pair<const InputField*, CheckResult (*)()> checks[] = {
        {f->Kensaku, searchItem},     {f->Koumoku, checkItemNumber}, {f->Koumoku_NM, checkItemName},
        {f->Zokusei, checkAttribute}, {f->Nagasa, checkLength},      {f->Nagasa_S, checkDecimalLength}};
    CheckResult result = CheckResult::Passed;
    for (const auto& [field, check] : checks)
        if (control == field) result = check();
    selectAllText(control);
    return result;
}

CheckResult checkAllFields() {
    const F_R205730* f = itemScreen();
    for (workarea.currentInputIndex = 1; workarea.currentInputIndex <= workarea.inputCount - 1;
         ++workarea.currentInputIndex) {
        const Int16 p = workarea.currentInputIndex;
        if (p == 5 && !hasDecimalPart(f->Zokusei->text())) continue;
        if (checkField(p) == CheckResult::Stop) {
            InputField* field = workarea.inputControls[p];
            field->setFocus(Qt::OtherFocusReason);
            selectAllText(field);
            return CheckResult::Stop;
        }
    }
    return CheckResult::Passed;
}

CheckResult checkItemNumber() {
    if (screenState().newItemFlag != 1) return CheckResult::Passed;  // an existing item's number is never changed
    InputField* field = itemScreen()->Koumoku;
    const int style = vbOKOnly | vbExclamation;
    if (trimmedText(field).isEmpty()) return tell(QStringLiteral("項目Noが入力されていません"), style);
    field->setText(numericValueText(field->text()));
    if (trimmedText(field) == QLatin1String("0")) return tell(QStringLiteral("項目Noが入力されていません"), style);
    const std::unique_ptr<db::ResultSet> rs = openReadOnly(duplicateItemSql(trimmedText(field)));
    // The row may be this entry's own, stored by a save whose commit went unanswered: the save
    // tells that from the row itself.
    const bool ownUnanswered = !screenState().openedItem.unanswered.isEmpty() && screenState().openedItem.unanswered.value(0) == trimmedText(field);
    const CheckResult result =
        rs->atEnd() || ownUnanswered ? CheckResult::Passed : tell(QStringLiteral("項目Noが重複しています"), style);
    rs->closeResultSet();
    return result;
}

CheckResult checkItemName() {
    if (trimmedText(itemScreen()->Koumoku_NM).isEmpty())
        return tell(QStringLiteral("項目名が入力されていません"), vbOKOnly | vbExclamation);
    return CheckResult::Passed;
}

CheckResult checkAttribute() {
    F_R205730* f = itemScreen();
    const QString code = trimmedText(f->Zokusei);
    if (code.isEmpty()) {
        msgBox(QStringLiteral("属性が入力されていません"), vbOKOnly);
        f->lbl_zokusei->setCaption(QString());
        return CheckResult::Stop;
    }
    if (code == QLatin1String("M")) {
        f->lbl_zokusei->setCaption(QString());
        return tell(noMatch, vbOKOnly);
    }
    CheckResult result = CheckResult::Passed;
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
    // A date without a length is a full year-month-day.
    if (result == CheckResult::Passed && f->Zokusei->text() == QLatin1String("Y") && trimmedText(f->Nagasa).isEmpty())
        f->Nagasa->setText(QStringLiteral("8"));
    return result;
}

CheckResult checkLength() {
    F_R205730* f = itemScreen();
    if (checkAttribute() == CheckResult::Stop) {
        f->Zokusei->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    }
    const QString text = trimmedText(f->Nagasa);
    if (text.isEmpty()) return CheckResult::Passed;
    const double length = numericValue(text);
    const QString attribute = f->Zokusei->text();
    double limit = -1;
    if (hasDecimalPart(attribute)) limit = 30;
    else if (attribute == QLatin1String("X") || attribute == QLatin1String("B") || attribute == QLatin1String("K"))
        limit = 4000;
    else if (attribute == QLatin1String("Y")) {
        if (length != 8 && length != 6)
            return tell(QStringLiteral("年月日の場合,長さは「6」か「8」のみ入力可能です"), vbOKOnly | vbExclamation);
        return CheckResult::Passed;
    }
    if (limit >= 0 && (length > limit || length < 0))
        return tell(QStringLiteral("長さが上限を超えています"), vbOKOnly | vbExclamation);
    return CheckResult::Passed;
}

CheckResult checkDecimalLength() {
    const F_R205730* f = itemScreen();
    if (numericValue(f->Nagasa_S->text()) > numericValue(f->Nagasa->text()))
        return tell(QStringLiteral("長さが上限を超えています"), vbOKOnly | vbExclamation);
    return CheckResult::Passed;
}

void applyDecimalRule() {
    F_R205730* f = itemScreen();
    if (hasDecimalPart(f->Zokusei->text())) {
        f->Nagasa_S->setEnabled(true);
    } else {
        f->Nagasa_S->setEnabled(false);
        f->Nagasa_S->setText(QString());
    }
}

CheckResult showFirstListRow() {
    F_R205730* f = itemScreen();
    const QStringList values = listRowValues(1);
    showInEntryFields(values);
    openStoredItem(values[0], values);
    CheckResult result = CheckResult::Passed;
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
    return result;
}

namespace {

// The found row's columns as the fields show them: as stored, untrimmed, unless the blanks
// around a value are all that keeps it from fitting its field (a save trims them anyway).
QStringList foundRowTexts(const db::ResultSet& rs) {
    const F_R205730* f = itemScreen();
    QStringList texts;
    for (const ItemColumn* col : entryColumns) {
        const QString stored = rs.columnValue(col->column()).toString();  // null: empty
        texts.append(fitsField(col->fieldOn(f), stored) ? stored : trimSpaces(stored));
    }
    return texts;
}

}  // namespace

CheckResult showFoundRow(db::ResultSet& rs) {
    F_R205730* f = itemScreen();
    const QStringList texts = foundRowTexts(rs);
    showInEntryFields(texts);
    openStoredItem(trimSpaces(texts[0]), listedValues(rs));
    CheckResult result = CheckResult::Passed;
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
    return result;
}

CheckResult searchItem() {
    F_R205730* f = itemScreen();
    FlexGrid* grid = f->GRID;
    // The search places the focus itself, so it always stops its caller, whatever the name lookup
    // of the item shown says.
    // A list that cannot be read again was told; the search waits for it.
    if (!reloadItemListIfLost()) return CheckResult::Stop;
    if (!trimmedText(f->Kensaku).isEmpty()) f->Kensaku->setText(numericValueText(f->Kensaku->text()));
    const bool listEmpty = grid->rows() < 2 || trimSpaces(grid->textMatrix(1, int(ListColumn::ItemNumber))).isEmpty();
    if (listEmpty && screenState().newItemFlag == 0) {
        f->Kensaku->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    }
    if (trimmedText(f->Kensaku).isEmpty()) {
        if (!fitsEntryFields(listRowValues(1))) {
            refuseUnfitItem(listRowValues(1));
            return CheckResult::Stop;
        }
        showFirstListRow();
        grid->setRow(1);
        grid->setTopRow(1);
        setListSelection(ListSelection::WholeRow);
    } else {
        const std::unique_ptr<db::ResultSet> rs = openReadOnly(searchItemSql(trimmedText(f->Kensaku)));
        // The search may have opened the connection again: the list then shows the table as it is.
        if (!reloadItemListIfLost()) return CheckResult::Stop;
        if (rs->atEnd()) {
            rs->closeResultSet();
            msgBox(noMatch, vbOKOnly);
            return CheckResult::Stop;
        }
        if (const QStringList found = foundRowTexts(*rs); !fitsEntryFields(found)) {
            rs->closeResultSet();
            refuseUnfitItem(found);
            return CheckResult::Stop;
        }
        const QString found = trimSpaces(rs->columnValue(itemColumn(ListColumn::ItemNumber).column()).toString());
        const int row = listRowOfNumber(grid, found);
        if (row <= screenState().listRowCount) {
            grid->setRow(row);
            setListSelection(ListSelection::WholeRow);
        } else {
            // Added by another workstation since the list was read: no list row to show.
            setListSelection(ListSelection::Collapsed);
        }
        showFoundRow(*rs);
        if (row <= screenState().listRowCount) grid->setTopRow(row);
        rs->closeResultSet();
    }
    setScreenMode(ScreenMode::Body);
    f->Koumoku->setEnabled(false);
    applyDecimalRule();
    setCommandState(CommandState::Editing);
    f->Koumoku_NM->setFocus(Qt::OtherFocusReason);
    return CheckResult::Stop;
}
