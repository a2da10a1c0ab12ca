// Module check_field: the item screen's field checks; the search field's check is the search.
#include "itemmaster/item_statements.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"

using namespace platform;

namespace {

const QString attributeClass = QStringLiteral("属性");
const QString noMatch = QStringLiteral("該当データがありません");

QString trimmedText(const InputField* field) { return trimSpaces(field->text()); }

bool hasDecimalPart(const QString& attribute) {
    return attribute == QLatin1String("9") || attribute == QLatin1String("N");
}

// The list row showing an item number, found by halving (the list is in ascending number
// order); listRowCount + 1 when the list does not hold it.
int listRowOfNumber(const FlexGrid* grid, const QString& number) {
    const qint64 wanted = number.toLongLong();
    int low = 1, high = listRowCount;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (trimSpaces(grid->textMatrix(middle, 1)).toLongLong() < wanted) low = middle + 1;
        else high = middle - 1;
    }
    if (low <= listRowCount && trimSpaces(grid->textMatrix(low, 1)) == number) return low;
    return listRowCount + 1;
}

}  // namespace

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

double numericValue(const QString& text) { return numericValueText(text).toDouble(); }

void showHeaderBand() {
    F_R205730* form = itemScreen();
    form->OPR_PGID->setCaption(QStringLiteral("W2057301"));
    form->OPR_OP_CD->setCaption(workarea.operatorCode);
    form->OPR_OP_NM->setCaption(workarea.operatorName);
    form->OPR_HIDUKE->setCaption(toolkit().today().toString(QStringLiteral("yyyy/MM/dd")));
    form->OPR_OPCD->setCaption(QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ"));
}

void checkField(Int16 position, Int16& result) {
    // Enter on a control outside the input table checks nothing.
    if (position < 0 || position >= workarea.inputCount || position >= workarea.inputControls.size()) return;
    normaliseFieldText(position);
    if (workarea.skipNextCheck != False) {
        workarea.skipNextCheck = False;
        return;
    }
    InputField* control = workarea.inputControls[position];
    const QString name = control->objectName();
    if (name == QLatin1String("Kensaku")) searchItem(result);
    else if (name == QLatin1String("Koumoku")) checkItemNumber(result);
    else if (name == QLatin1String("Koumoku_NM")) checkItemName(result);
    else if (name == QLatin1String("Zokusei")) checkAttribute(result);
    else if (name == QLatin1String("Nagasa")) checkLength(result);
    else if (name == QLatin1String("Nagasa_S")) checkDecimalLength(result);
    selectAllText(control);
}

void checkAllFields(Int16& result) {
    const F_R205730* f = itemScreen();
    for (workarea.currentInputIndex = 1; workarea.currentInputIndex <= workarea.inputCount - 1;
         ++workarea.currentInputIndex) {
        const Int16 p = workarea.currentInputIndex;
        if (p == 5 && !hasDecimalPart(f->Zokusei->text())) continue;
        checkField(p, result);
        if (result != 0) {
            InputField* field = workarea.inputControls[p];
            field->setFocus(Qt::OtherFocusReason);
            selectAllText(field);
            return;
        }
    }
}

void checkItemNumber(Int16& result) {
    if (newItemFlag != 1) return;  // an existing item's number is never changed
    InputField* field = itemScreen()->Koumoku;
    const int style = vbOKOnly | vbExclamation;
    if (trimmedText(field).isEmpty()) {
        msgBox(QStringLiteral("項目Noが入力されていません"), style);
        result = 9;
        return;
    }
    field->setText(numericValueText(field->text()));
    if (trimmedText(field) == QLatin1String("0")) {
        msgBox(QStringLiteral("項目Noが入力されていません"), style);
        result = 9;
        return;
    }
    const std::unique_ptr<db::ResultSet> rs = openReadOnly(duplicateItemSql(trimmedText(field)));
    if (!rs->atEnd()) {
        msgBox(QStringLiteral("項目Noが重複しています"), style);
        result = 9;
    } else {
        result = 0;
    }
    rs->closeResultSet();
}

void checkItemName(Int16& result) {
    if (trimmedText(itemScreen()->Koumoku_NM).isEmpty()) {
        msgBox(QStringLiteral("項目名が入力されていません"), vbOKOnly | vbExclamation);
        result = 9;
    }
}

void checkAttribute(Int16& result) {
    F_R205730* f = itemScreen();
    result = 0;
    const QString code = trimmedText(f->Zokusei);
    if (code.isEmpty()) {
        msgBox(QStringLiteral("属性が入力されていません"), vbOKOnly);
        f->lbl_zokusei->setCaption(QString());
        result = 9;
        return;
    }
    if (code == QLatin1String("M")) {
        f->lbl_zokusei->setCaption(QString());
        msgBox(noMatch, vbOKOnly);
        result = 9;
        return;
    }
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
    // A date without a length is a full year-month-day.
    if (result != 9 && f->Zokusei->text() == QLatin1String("Y") && trimmedText(f->Nagasa).isEmpty())
        f->Nagasa->setText(QStringLiteral("8"));
}

void checkLength(Int16& result) {
    F_R205730* f = itemScreen();
    result = 0;
    checkAttribute(result);
    if (result == 9) {
        f->Zokusei->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString text = trimmedText(f->Nagasa);
    if (text.isEmpty()) return;
    const double length = numericValue(text);
    const QString attribute = f->Zokusei->text();
    double limit = -1;
    if (hasDecimalPart(attribute)) limit = 30;
    else if (attribute == QLatin1String("X") || attribute == QLatin1String("B") || attribute == QLatin1String("K"))
        limit = 4000;
    else if (attribute == QLatin1String("Y")) {
        if (length != 8 && length != 6) {
            msgBox(QStringLiteral("年月日の場合,長さは「6」か「8」のみ入力可能です"), vbOKOnly | vbExclamation);
            result = 9;
        }
        return;
    }
    if (limit >= 0 && (length > limit || length < 0)) {
        msgBox(QStringLiteral("長さが上限を超えています"), vbOKOnly | vbExclamation);
        result = 9;
    }
}

void checkDecimalLength(Int16& result) {
    const F_R205730* f = itemScreen();
    result = 0;
    if (numericValue(f->Nagasa_S->text()) > numericValue(f->Nagasa->text())) {
        msgBox(QStringLiteral("長さが上限を超えています"), vbOKOnly | vbExclamation);
        result = 9;
    }
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

void showFirstListRow(Int16& result) {
    F_R205730* f = itemScreen();
    const QStringList values = listRowValues(1);
    f->Koumoku->setText(values[0]);
    f->Koumoku_NM->setText(values[1]);
    f->Zokusei->setText(values[2]);
    f->Nagasa->setText(values[3]);
    f->Nagasa_S->setText(values[4]);
    openStoredItem(values[0], values);
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
}

namespace {

// The found row's columns as the fields show them: as stored, untrimmed, unless the blanks
// around a value are all that keeps it from fitting its field (a save trims them anyway).
QStringList foundRowTexts(const db::ResultSet& rs) {
    const F_R205730* f = itemScreen();
    const InputField* fields[] = {f->Koumoku, f->Koumoku_NM, f->Zokusei, f->Nagasa, f->Nagasa_S};
    const char* columns[] = {"項目No", "データ項目名", "属性", "長さ", "小数部長さ"};
    QStringList texts;
    for (int i = 0; i < 5; ++i) {
        const QString stored = rs.columnValue(QString::fromUtf8(columns[i])).toString();  // null: empty
        texts.append(fitsField(fields[i], stored) ? stored : trimSpaces(stored));
    }
    return texts;
}

}  // namespace

void showFoundRow(db::ResultSet& rs, Int16& result) {
    F_R205730* f = itemScreen();
    const QStringList texts = foundRowTexts(rs);
    f->Koumoku->setText(texts[0]);
    f->Koumoku_NM->setText(texts[1]);
    f->Zokusei->setText(texts[2]);
    f->Nagasa->setText(texts[3]);
    f->Nagasa_S->setText(texts[4]);
    openStoredItem(trimSpaces(texts[0]), listedValues(rs));
    showClassName(attributeClass, f->Zokusei, f->lbl_zokusei, result);
}

void searchItem(Int16& result) {
    F_R205730* f = itemScreen();
    FlexGrid* grid = f->GRID;
    // The search places the focus itself: the caller must never move on.
    result = 9;
    reloadItemListIfLost();
    if (!trimmedText(f->Kensaku).isEmpty()) f->Kensaku->setText(numericValueText(f->Kensaku->text()));
    const bool listEmpty = grid->rows() < 2 || trimSpaces(grid->textMatrix(1, 1)).isEmpty();
    if (listEmpty && newItemFlag == 0) {
        f->Kensaku->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (trimmedText(f->Kensaku).isEmpty()) {
        if (!fitsEntryFields(listRowValues(1))) {
            refuseUnfitItem();
            return;
        }
        showFirstListRow(result);
        grid->setRow(1);
        grid->setTopRow(1);
        setListSelection(1);
    } else {
        const std::unique_ptr<db::ResultSet> rs = openReadOnly(searchItemSql(trimmedText(f->Kensaku)));
        if (rs->atEnd()) {
            rs->closeResultSet();
            msgBox(noMatch, vbOKOnly);
            return;
        }
        if (!fitsEntryFields(foundRowTexts(*rs))) {
            rs->closeResultSet();
            refuseUnfitItem();
            return;
        }
        const QString found = trimSpaces(rs->columnValue(QStringLiteral("項目No")).toString());
        const int row = listRowOfNumber(grid, found);
        if (row <= listRowCount) {
            grid->setRow(row);
            setListSelection(1);
        } else {
            // Added by another workstation since the list was read: no list row to show.
            setListSelection(0);
        }
        showFoundRow(*rs, result);
        if (row <= listRowCount) grid->setTopRow(row);
        rs->closeResultSet();
    }
    workarea.screenMode = QStringLiteral("BODY");
    enableInputsForMode(workarea.screenMode);
    f->Koumoku->setEnabled(false);
    applyDecimalRule();
    setCommandState(1);
    f->Koumoku_NM->setFocus(Qt::OtherFocusReason);
}
