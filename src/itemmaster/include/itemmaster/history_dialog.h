// The history of one item (Ctrl+H), newest first, and the way back to an earlier version: the
// version chosen goes into the entry fields, never straight into the table; the operator saves it
// through the usual checks and save question.
#pragma once

#include "itemmaster/item_history.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    HistoryDialog(const QString& key, std::vector<HistoryEntry> entries, QWidget* parent);

    QTableWidget* table;         // one row for each write, newest first
    QPushButton* bringBack;      // the chosen version into the entry fields
    QPushButton* closeButton;

    const std::vector<HistoryEntry>& entries() const { return entries_; }
    // The values of the version a row shows: after its write, or for a deletion, what was deleted.
    static QStringList versionOf(const HistoryEntry& entry);

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void takeChosen();
    QString key_;
    std::vector<HistoryEntry> entries_;
};

// Ctrl+H: the history of the opened item, of the new item's number, or of the number in the search
// field (also of an item deleted since). Shown over the screen; the screen waits until it closes.
void showItemHistory();
// The history shown now, if any.
HistoryDialog* shownHistory();
// Puts an earlier version of the item into the entry fields, opening the item (or, where it was
// deleted, a new item of that number) first; the name field then has the keyboard.
void bringBackVersion(const QString& key, const QStringList& version);
