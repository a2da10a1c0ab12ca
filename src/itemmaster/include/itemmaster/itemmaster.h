// Item information master maintenance: the screen F_R205730 and its routines.
#pragma once

#include "itemmaster/item_screen.h"
#include "screen/screen.h"
#include "core/workarea.h"

#include <functional>

class QPrinter;

namespace db {
class Connection;
class ResultSet;
}

// The item screen: the work area's main form.
F_R205730* itemScreen();
// The item screen's own state.
ItemScreenState& screenState();
// The item screen's input table: its six fields, their keystroke filters and screen modes.
void buildItemInputTable();

// --- the item an entry works on ---------------------------------------------------

void openStoredItem(const QString& key, const QStringList& shown);
void openNewItem();

// A value fits a field when it is whole in it and the cut to the field's bytes, which every
// check runs first, leaves it unchanged.
bool fitsField(const InputField* field, const QString& text);
// Why a stored item cannot be opened in the entry fields, if it cannot: a value the fields cannot
// hold whole (too long, or no whole number where a number belongs), or no name or attribute.
enum class Unfit { None, TooLong, Missing };
Unfit unfitValues(const QStringList& values);
// The five entry values, Koumoku to Nagasa_S, can be opened in their fields.
inline bool fitsEntryFields(const QStringList& values) { return unfitValues(values) == Unfit::None; }
// Sets the five entry values, Koumoku to Nagasa_S, into their fields; missing ones empty them.
void showInEntryFields(const QStringList& values);
// Tells the operator that an item with such values is not opened.
void refuseUnfitItem(const QStringList& values);

enum class Conflict { Changed, Deleted, Added };
// The one sentence telling that another workstation changed, deleted or added the item.
QString conflictMessage(Conflict conflict, bool deleting);

// --- the list and the statements ---------------------------------------------


// Rebuilds the item list from the table.
void loadItemList();
// Reads the item list on the connection opened ahead, on that connection's thread. The step it
// returns, run once the program has taken that connection, leaves the list for the first load.
std::function<void()> readItemListAhead(db::Connection& connection);
// The same after a save or a delete: a list that cannot be read is told to the operator and
// left without rows, the program goes on, and the next search, add or save reads it again.
// False when the list could not be read.
bool reloadItemList();
// Reads the list again if the last reading failed, or if the connection was opened again since;
// false when it cannot be read.
bool reloadItemListIfLost();
// The list row showing an item number, found by halving (the list is in ascending number order);
// screenState().listRowCount + 1 when the list does not hold it.
int listRowOfNumber(const FlexGrid* grid, const QString& number);
// The five entry columns of a list row as the list shows them.
QStringList listRowValues(int row);
// The five entry columns of a result set's current row as the list would show them.
QStringList listedValues(const db::ResultSet& rs);
// What became of a confirmed entry.
enum class SaveOutcome {
    Saved,      // stored (also: found stored after its commit went unanswered)
    Refused,    // refused for its values or for another workstation's change; the operator was told
    NotStored,  // the surroundings kept it from being stored; the operator was told, the entry stays
};
// Writes the entered item, inserting or updating by the row's presence now.
SaveOutcome storeItem();
// The same as the design's stop code: Stop unless stored.
CheckResult saveItem();
// Copies the five entry fields into a row being added or edited.
void moveFieldsToRow(db::ResultSet& rs);
// Asks, deletes the item in Koumoku, reloads the list and returns to HEAD; Stop when it stops.
CheckResult deleteItem();

// --- field checks --------------------------------------------------------------

// Fills the header band: screen ID, operator code and name, today's date.
void showHeaderBand();
// Checks one input position; a check skipped by F2 passes.
CheckResult checkField(Int16 position);
// The item's fields in screen order, up to the first that fails, which then has the focus.
CheckResult checkAllFields();
// The search field's check: always Stop, placing the focus itself.
CheckResult searchItem();
CheckResult checkItemNumber();
CheckResult checkItemName();
CheckResult checkAttribute();
CheckResult checkLength();
CheckResult checkDecimalLength();
// The decimal-part field is open only for attributes 9 and N.
void applyDecimalRule();
// The search's item in the fields; Stop when its attribute has no name.
CheckResult showFirstListRow();
CheckResult showFoundRow(db::ResultSet& rs);
// The leading whole number of a text as digits: "007" is "7", no number is "0".
QString numericValueText(const QString& text);

// --- additions beyond the design: find by name, export and print of the list ------

// Ctrl+F: the keyboard to the find, the list's names ready to look through.
void startFind();
// Each change of the find's text: marks the first item at or after the current row whose name
// holds it, and shows the count.
void findTextChanged();
// Down (+1) and Up (-1) in the find: the next or previous match, round.
void findStep(int step);
// Enter in the find: the marked item opened as a click on its row opens it, then the name field.
void openFound();
// Esc in the find: the mark taken away; the keyboard back where it was, when asked.
void leaveFind(bool giveFocusBack = true);
// What the last save or delete did, shown until the next key; empty clears it.
void showNote(const QString& note);
// Ctrl+E: the whole list to a CSV file the operator names, in code page 932 or UTF-8.
void exportItemList();
// Ctrl+P: the whole list through the system's print dialog (a printer, or a PDF file).
void printItemList();
// The list's pages on a printer set up already.
void printListOn(QPrinter& printer);

// --- the screen ------------------------------------------------------------------


// The initial state: inputs cleared, input table built, mode "HEAD", focus in the search field.
void initItemScreen();
void handleScreenKey(Int16 keyCode);
// The four command buttons, with the design's command numbers.
enum class Command { End = 1, Delete = 2, Add = 3, Search = 4 };
void runCommand(Command command);
// Checks all fields and asks the save question; Stop unless the answer was Yes and the save went through.
CheckResult confirmAndSave();
void handleSaveAnswer(int answer);
void startNewItem();
void openListRow();
void showListRow();
// The list's selection, with the design's numbers: collapsed, or the whole current row.
enum class ListSelection { Collapsed = 0, WholeRow = 1 };
void setListSelection(ListSelection selection);
// The search and delete buttons, with the design's numbers: Searching enables the search and
// disables the delete, Editing the other way round.
enum class CommandState { Searching = 0, Editing = 1 };
void setCommandState(CommandState state);
// Mode "HEAD", its fields and commands; the focus back in the search field.
void returnToHead();
// Ends the entry: fields and "lbl_" labels empty, mode "HEAD", the list's selection collapsed.
void leaveEntry();
