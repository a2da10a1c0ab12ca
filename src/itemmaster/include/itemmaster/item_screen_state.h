// The item screen's own state: owned by the screen, made afresh with it.
#pragma once

#include "core/workarea.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

// The stored row an entry works on, as the screen showed it when the entry began. A save or a
// delete writes only while the row still holds these values (a new item: while its number is
// still free), so that another workstation's change is never overwritten unseen; and it acts on
// this key, never on a field's text.
struct OpenedItem {
    bool stored = false;  // false for a new item
    QString key;          // 項目No as stored, whole
    QStringList shown;    // the entry values, Koumoku to Nagasa_S, as the list shows them
    // What a save wrote whose commit went unanswered with the connection: a row that holds just
    // this was stored by that save, not changed by another workstation.
    QStringList unanswered;
};

// The find by name: the list's names folded once, and what the text typed last found.
struct FindState {
    int listVersion = -1;        // the list the names were folded from
    QString names;               // every name folded, each followed by a NUL
    std::vector<qsizetype> ends;  // where each row's name and its NUL end in names: row r at ends[r - 1]
    QString needle;              // the folded text looked for last
    std::vector<int> matches;    // the rows whose names hold it, in list order
    int marked = 0;              // the row marked, 0 for none
    QPointer<QWidget> returnTo;  // where Esc gives the keyboard back
};

struct ItemScreenState {
    // 1 while a new item is being entered, 0 otherwise.
    Int16 newItemFlag = 0;
    // False while the list is being filled; the list's row change is ignored meanwhile.
    bool listLoaded = false;
    // Data rows of the list (1 .. listRowCount). Not limited to 16 bits: every row is listed.
    int listRowCount = 0;
    // The list row the list stood on when showListRow last ran (or the load ended): a change of
    // the current cell within it is no move to another row.
    int listRowShown = 0;
    // The list could not be read after a save or a delete; it holds no rows until read again.
    bool listLost = false;
    // The connection the list was read on: one opened since may show another table (a restarted
    // server, a SQLite file put back).
    int listGeneration = 0;
    // Counts the list's loads: what was worked out from an older list is out of date.
    int listVersion = 0;
    OpenedItem openedItem;
    FindState find;
    // Whether the database keeps the history, as asked on the connection of that generation.
    int historyGeneration = -1;
    bool historyKept = false;
    bool historyAbsenceTold = false;
};
