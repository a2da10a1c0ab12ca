// The history of the item master: one row for each save or delete, written in its transaction, so
// that a write and its history stand or fall together. A database without the history table works
// as before, keeping none.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

enum class HistoryAction { Added, Changed, Deleted };

// One write, as the history keeps it.
struct HistoryEntry {
    qint64 number = 0;  // orders the history
    HistoryAction action = HistoryAction::Changed;
    QString key;         // the item's number
    QString keyBefore;   // its number before the write; empty for an addition
    QStringList before;  // name, attribute, length, decimal length before; empty for an addition
    QStringList after;   // the same after; empty for a deletion
    QString operatorCode;
    QString workstation;
    QString writer;      // the program that wrote
    QDateTime recorded;  // UTC
};

// The history could not be written: the write it belongs to is not made.
class HistoryNotWritten : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when the database keeps the history; asked once for each connection, outside a transaction.
// A failure of the surroundings is thrown, not taken for a missing table.
bool historyKept();
// At the start of a save's or delete's transaction, before it writes: marks the transaction as
// this program's, so that a trigger recording other programs' writes leaves it alone.
void beginHistoryWrite();
// Records one write in the transaction. Values are the row's stored texts (a null for NULL).
// Throws HistoryNotWritten when the database refuses the row; a failure of the surroundings is
// thrown as it is.
void recordHistory(HistoryAction action, const QString& key, const QStringList& before, const QStringList& after);
// The history of one item number, newest first; empty where none is kept.
std::vector<HistoryEntry> readHistory(const QString& key);
// The word the history and its screen use for an action.
QString actionName(HistoryAction action);
