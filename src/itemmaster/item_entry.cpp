// Module common: the item screen's routines: its states, keys, commands and the save question.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/cp932.h"
#include "platform/platform.h"

#include <QPushButton>

using namespace platform;

namespace {

bool isHead() { return inScreenMode(ScreenMode::Head); }

// Only data rows can be shown or opened; the title row and an empty list cannot.
bool onDataRow() {
    const int row = itemScreen()->GRID->row();
    return row >= 1 && row <= screenState().listRowCount;
}

}  // namespace

void returnToHead() {
    setScreenMode(ScreenMode::Head);
    setCommandState(CommandState::Searching);
    // Closing the field that had the focus would hand it to whatever comes next in the tab
    // order (the list, a button); the operator goes on in the search field.
    F_R205730* f = itemScreen();
    const QWidget* focused = f->activeControl();
    if (!focused || !focused->isEnabled() || !qobject_cast<const InputField*>(focused))
        f->Kensaku->setFocus(Qt::OtherFocusReason);
}

void buildItemInputTable() {
    WorkArea& w = workarea;
    const int count = std::max<int>(w.inputCount, 0);
    w.inputControls = QList<InputField*>(count, nullptr);
    w.inputKeyModes = QStringList(count, QString());
    w.inputScreenModes = QStringList(count, QString());
    w.inputDateFormats = QStringList(count, QString());

    F_R205730* form = itemScreen();
    const struct {
        InputField* control;
        const char* keyMode;
    } rows[] = {
        {form->Kensaku, "3"}, {form->Koumoku, "3"}, {form->Koumoku_NM, "2"},
        {form->Zokusei, "2U"}, {form->Nagasa, "3"},  {form->Nagasa_S, "3"},
    };
    w.currentInputIndex = 0;
    for (const auto& row : rows) {
        if (w.currentInputIndex >= count) break;
        w.inputControls[w.currentInputIndex] = row.control;
        w.inputKeyModes[w.currentInputIndex] = QString::fromLatin1(row.keyMode);
        ++w.currentInputIndex;
    }
    for (w.currentInputIndex = 0; w.currentInputIndex < count; ++w.currentInputIndex) {
        const int p = w.currentInputIndex;
        if (InputField* f = w.inputControls[p]) f->setTabIndex(p);
        w.inputScreenModes[p] = screenModeText(p == 0 ? ScreenMode::Head : ScreenMode::Body);
    }
}

void initItemScreen() {
    F_R205730* f = itemScreen();
    clearInputs();
    buildItemInputTable();
    setScreenMode(ScreenMode::Head);
    screenState().newItemFlag = 0;
    setCommandState(CommandState::Searching);
    f->Kensaku->setFocus(Qt::OtherFocusReason);
}

void setCommandState(CommandState state) {
    F_R205730* f = itemScreen();
    f->Cmd_kensaku->setEnabled(state == CommandState::Searching);
    f->Cmd_sakujyo->setEnabled(state == CommandState::Editing);
}

void setListSelection(ListSelection selection) {
    FlexGrid* grid = itemScreen()->GRID;
    grid->refresh();
    grid->setCol(int(ListColumn::Hidden));
    grid->setColSel(selection == ListSelection::WholeRow ? lastListColumn : int(ListColumn::Hidden));
}

// Leaves the entry: fields empty, mode "HEAD".
void leaveEntry() {
    clearInputs();
    returnToHead();
    showHeaderBand();
    setListSelection(ListSelection::Collapsed);
    screenState().newItemFlag = 0;
}

void showListRow() {
    F_R205730* f = itemScreen();
    if (!onDataRow()) return;
    const int r = f->GRID->row();
    const bool moved = r != screenState().listRowShown;
    screenState().listRowShown = r;
    const QStringList values = listRowValues(r);
    // A row the fields cannot hold whole is never shown cut. An entry the list moves onto such
    // a row ends, as there is nothing left in the fields to save; a change of the current column
    // alone leaves the entry as it is.
    if (!fitsEntryFields(values)) {
        if (isHead()) clearInputs();
        else if (moved) leaveEntry();
        return;
    }
    showInEntryFields(values);
    f->lbl_zokusei->setCaption(f->GRID->textMatrix(r, int(ListColumn::AttributeName)));
    screenState().newItemFlag = 0;
    openStoredItem(values[0], values);
    // The fields now hold a stored item: its number cannot be changed, whatever entry came before.
    if (!isHead()) {
        f->Koumoku->setEnabled(false);
        applyDecimalRule();
        setCommandState(CommandState::Editing);
    }
}

void openListRow() {
    F_R205730* f = itemScreen();
    if (!onDataRow()) return;
    if (!fitsEntryFields(listRowValues(f->GRID->row()))) {
        refuseUnfitItem(listRowValues(f->GRID->row()));
        return;
    }
    showListRow();
    setScreenMode(ScreenMode::Body);
    applyDecimalRule();
    setCommandState(CommandState::Editing);
    setListSelection(ListSelection::WholeRow);
    f->Koumoku->setEnabled(false);
}

void startNewItem() {
    F_R205730* f = itemScreen();
    reloadItemListIfLost();
    setListSelection(ListSelection::Collapsed);
    showInEntryFields({});
    f->lbl_zokusei->setCaption(QString());
    setCommandState(CommandState::Editing);
    f->Cmd_sakujyo->setEnabled(false);
    screenState().newItemFlag = 1;
    openNewItem();
    f->Koumoku->setEnabled(true);
    f->Koumoku->setFocus(Qt::OtherFocusReason);
}

void runCommand(Command command) {
    switch (command) {
    case Command::End: itemScreen()->unload(); break;
    case Command::Delete:
        if (!isHead()) deleteItem();
        break;
    case Command::Add:
        setScreenMode(ScreenMode::Body);
        startNewItem();
        break;
    case Command::Search:
        if (isHead()) searchItem();
        break;
    }
}

void handleSaveAnswer(int answer) {
    F_R205730* f = itemScreen();
    if (answer == vbNo) {
        leaveEntry();
    } else if (answer == vbCancel) {
        (screenState().newItemFlag != 0 ? f->Koumoku : f->Koumoku_NM)->setFocus(Qt::OtherFocusReason);
    }
}

CheckResult confirmAndSave() {
    if (checkAllFields() == CheckResult::Stop) return CheckResult::Stop;
    QWidget* asked = itemScreen()->activeControl();
    const int answer =
        msgBox(QStringLiteral("この内容で更新しますか"), vbYesNoCancel | vbExclamation | vbDefaultButton1);
    CheckResult result = CheckResult::Stop;
    if (answer == vbYes) {
        const SaveOutcome outcome = storeItem();
        if (outcome == SaveOutcome::NotStored) {
            // What surrounds the program kept the entry from being stored: it stays as typed, and
            // the same Enter and Yes store it once that has passed.
            if (asked && asked->isEnabled()) asked->setFocus(Qt::OtherFocusReason);
        } else {
            // Saved or refused, the entry is over and the screen returns to its start.
            const QString item = trimSpaces(itemScreen()->Koumoku->text());
            const bool added = !screenState().openedItem.stored;
            if (outcome == SaveOutcome::Saved) result = CheckResult::Passed;
            reloadItemList();
            clearInputs();
            showHeaderBand();
            returnToHead();
            screenState().newItemFlag = 0;
            if (outcome == SaveOutcome::Saved)
                showNote(QStringLiteral("項目 %1 を%2しました").arg(item, added ? QStringLiteral("追加") : QStringLiteral("更新")));
        }
    } else {
        handleSaveAnswer(answer);
    }
    setMousePointer(vbDefault);
    return result;
}

void handleScreenKey(Int16 keyCode) {
    F_R205730* f = itemScreen();
    QWidget* active = f->activeControl();
    switch (keyCode) {
    case vbKeyReturn: {
        // Enter on a command button presses it.
        if (auto* button = qobject_cast<QPushButton*>(active)) {
            button->click();
            return;
        }
        workarea.skipNextCheck = False;
        if (checkField(Int16(active ? f->tabIndex(active) : -1)) == CheckResult::Stop) return;
        if (active == f->Zokusei) applyDecimalRule();
        if (active == f->Nagasa) {
            const QString attribute = f->Zokusei->text();
            if (!platform::trimSpaces(attribute).isEmpty() && attribute != QLatin1String("9") &&
                attribute != QLatin1String("N") && confirmAndSave() == CheckResult::Stop)
                return;
        }
        if (active == f->Nagasa_S && confirmAndSave() == CheckResult::Stop) return;
        focusNextInput();
        break;
    }
    case vbKeyF2: workarea.skipNextCheck = True; break;
    case vbKeyEscape:
        if (isHead()) {
            f->unload();
            return;
        }
        if (workarea.skipNextCheck == False) {
            if (confirmAndSave() == CheckResult::Stop) return;
            setListSelection(ListSelection::Collapsed);
        }
        clearInputs();
        returnToHead();
        showHeaderBand();
        screenState().newItemFlag = 0;
        break;
    case vbKeyUp: focusPreviousInput(); break;
    case vbKeyDown: focusNextInput(); break;
    default: break;  // F1, F3-F12, Pause, Caps Lock, Page Up/Down, End, Home and the rest
    }
}
