// The item list, the save and the delete: what the screen says to FL1901項目情報マスタ.
#include "item_columns.h"
#include "itemmaster/item_history.h"
#include "itemmaster/item_statements.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"

#include <QPushButton>

#include <optional>

using namespace platform;


namespace {

const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString listReadFailed = QStringLiteral("一覧を読み込めませんでした。データベースへの接続を確認してください");
const QString listNotRead = QStringLiteral("一覧を読み込めませんでした");

// A stored text as the list shows it: trimmed, a length of 0 (however written) empty.
QStringView shownText(QStringView text, bool emptyWhenZero) {
    text = trimSpaces(text);
    if (emptyWhenZero) {
        bool isNumber = false;
        const double n = text.toDouble(&isNumber);
        if (isNumber && n == 0) return {};
    }
    return text;
}

// The list's cells of one statement column, and where the column is in the statement.
struct ListCells {
    GridColumn cells;
    int source = -1;
    bool emptyWhenZero = false;

    void append(const db::RowBlock& block, int row) {
        if (block.isNull(row, source)) return cells.appendEmpty();
        switch (block.type(source)) {
        case db::RowBlock::Type::Integer: {
            // What another program stored that is no whole number is listed as it is.
            if (!block.isWhole(row, source)) return cells.appendText(trimSpaces(block.text(row, source)));
            const qint64 value = block.integer(row, source);
            return emptyWhenZero && value == 0 ? cells.appendEmpty() : cells.appendNumber(value);
        }
        case db::RowBlock::Type::Real:
            return cells.appendText(shownText(QVariant(block.real(row, source)).toString(), emptyWhenZero));
        case db::RowBlock::Type::Text: return cells.appendText(shownText(block.text(row, source), emptyWhenZero));
        }
    }
};

// Turns the grid's drawing back on however the load ends.
struct RedrawOff {
    FlexGrid* grid;
    explicit RedrawOff(FlexGrid* g) : grid(g) { grid->setRedraw(false); }
    ~RedrawOff() { grid->setRedraw(true); }
};



}  // namespace

namespace {

// The list as read, before the grid shows it: one column of cells per list column.
struct ItemListRead {
    QString sql;
    std::vector<ListCells> columns;
    qint64 rows = 0;
};

// Reads the list through `read`: db::readAllRows, on the open connection or on another one.
template <class Read>
ItemListRead readItemList(const QString& sql, Read&& read) {
    ItemListRead list{sql, std::vector<ListCells>(std::size(itemColumns)), 0};
    // Numbers stay numbers; the grid makes a cell's text when it is shown.
    list.rows = read(
        sql,
        [&](const db::RowBlock& columns) {
            for (size_t c = 0; c < list.columns.size(); ++c) {
                const ItemColumn& col = itemColumns[c];
                const QString name = col.column();
                ListCells& cells = list.columns[c];
                cells.source = columns.columnIndex(name);
                if (cells.source < 0)
                    throw db::Error(QStringLiteral("42S22"), 0, QStringLiteral("no column %1 in the result set").arg(name),
                                    sql);
                cells.emptyWhenZero = col.isLength;
                cells.cells = columns.type(cells.source) == db::RowBlock::Type::Integer ? GridColumn::numbers(col.isLength)
                              : col.repeats                                             ? GridColumn::sharedTexts()
                                                                                        : GridColumn::texts();
            }
        },
        [&](const db::RowBlock& block) {
            for (ListCells& cells : list.columns)
                for (int r = 0; r < block.rowCount(); ++r) cells.append(block, r);
        });
    return list;
}

// Read while the program started, on the connection it then took; the first load shows it.
std::optional<ItemListRead> listReadAhead;

void showItemList(ItemListRead& list) {
    FlexGrid* grid = itemScreen()->GRID;
    const RedrawOff quiet(grid);
    grid->setCols(lastListColumn + 1);
    grid->setRow(0);
    for (const ItemColumn& col : itemColumns) grid->setTextMatrix(0, col.gridColumn(), QString::fromUtf8(col.title));
    grid->setColWidth(int(ListColumn::Hidden), 0);
    for (const ItemColumn& col : itemColumns) grid->setColWidth(col.gridColumn(), col.width);

    // An empty result leaves the grid's rows as they were, every cell empty.
    screenState().listRowCount = 0;
    if (list.rows > 0) {
        std::vector<GridColumn> columns(1);  // column 0: hidden, no cells
        std::vector<int> alignments{FlexGrid::LeftCenter};
        for (size_t c = 0; c < list.columns.size(); ++c) {
            columns.push_back(std::move(list.columns[c].cells));
            alignments.push_back(itemColumns[c].alignment);
        }
        grid->setDataColumns(std::move(columns), alignments);
        grid->setRowHeight(1, 360);
        screenState().listRowCount = int(list.rows);
        // The current cell ends on the last row's last column, as after a load row by row.
        grid->setRow(screenState().listRowCount);
        grid->setCol(lastListColumn);
    }
    screenState().listLoaded = true;
    screenState().listLost = false;
    ++screenState().listVersion;
    screenState().listGeneration = db::connectionGeneration();
    screenState().listRowShown = grid->row();
}

}  // namespace

std::function<void()> readItemListAhead(db::Connection& connection) {
    try {
        auto read = [&connection](auto&&... args) { return db::readAllRows(connection, args...); };
        auto list = std::make_shared<ItemListRead>(readItemList(itemListSql(), read));
        return [list] { listReadAhead = std::move(*list); };
    } catch (const std::exception&) {
        // The first load reads it again, and reports what fails there.
        return [] { listReadAhead.reset(); };
    }
}

void loadItemList() {
    screenState().listLoaded = false;
    itemScreen()->GRID->clear();
    const QString sql = itemListSql();
    std::optional<ItemListRead> list = std::exchange(listReadAhead, std::nullopt);
    if (list && list->sql == sql && db::connectedAhead()) {
        db::noteRowsRead(sql, list->rows);
    } else {
        auto read = [](auto&&... args) { return db::readAllRows(args...); };
        list = readItemList(sql, read);
    }
    showItemList(*list);
}

namespace {

// No row of the old list may be opened any more: its rows are blank or out of date. The next
// search, add or save reads it again.
void dropList() {
    screenState().listLost = true;
    ++screenState().listVersion;
    screenState().listRowCount = 0;
    const RedrawOff quiet(itemScreen()->GRID);
    itemScreen()->GRID->setRows(1);
}

}  // namespace

bool reloadItemList() {
    try {
        loadItemList();
        return true;
    } catch (const std::exception& e) {
        logDetail(QStringLiteral("list reload: ") + QString::fromUtf8(e.what()));
        dropList();
        const auto* failure = dynamic_cast<const db::Error*>(&e);
        msgBox(failure && failure->fromSurroundings() ? listNotRead + QLatin1Char('\n') + failure->operatorSentence()
                                                      : listReadFailed,
               vbOKOnly | vbExclamation);
        return false;
    }
}

bool reloadItemListIfLost() {
    return (!screenState().listLost && screenState().listGeneration == db::connectionGeneration()) || reloadItemList();
}

QStringList listRowValues(int row) {
    const FlexGrid* grid = itemScreen()->GRID;
    QStringList values;
    for (const ItemColumn* col : entryColumns) values.append(grid->textMatrix(row, col->gridColumn()));
    return values;
}

QStringList listedValues(const db::ResultSet& rs) {
    QStringList values;
    for (const ItemColumn* col : entryColumns) {
        const QVariant value = rs.columnValue(col->column());
        // A number column gives a text only for what is no number: that is listed as it is.
        const bool numberAsText = col->isLength && value.typeId() == QMetaType::QString;
        values.append(value.isNull() ? QString() : shownText(value.toString(), col->isLength && !numberAsText).toString());
    }
    return values;
}

void moveFieldsToRow(db::ResultSet& rs) {
    const F_R205730* f = itemScreen();
    for (const ItemColumn* col : entryColumns) {
        const QString text = trimSpaces(col->fieldOn(f)->text());
        rs.setColumnValue(col->column(), col->isLength && text.isEmpty() ? QVariant(0) : QVariant(text));
    }
    // A stored row never holds an empty text.
    for (const ItemColumn* col : entryColumns) {
        if (col->isLength) continue;
        if (rs.columnValue(col->column()).toString().isEmpty()) rs.setColumnValue(col->column(), QStringLiteral(" "));
    }
}

namespace {

// Another workstation's change found while writing: nothing is written, the operator is told.
struct ConflictFound {
    Conflict conflict;
};

// Opens the row the entry works on, inside the caller's transaction, and makes sure it is still
// what the screen showed: for a stored item unchanged, for a new one still absent.
std::unique_ptr<db::ResultSet> openShownRow(const QString& key) {
    std::unique_ptr<db::ResultSet> rs = openUpdatable(rowToWriteSql(key));
    const bool present = !rs->atEnd();
    if (present && !screenState().openedItem.unanswered.isEmpty() && listedValues(*rs) == screenState().openedItem.unanswered) {
        // The save whose commit went unanswered was done: the row holds what it wrote.
        logDetail(QStringLiteral("save of item %1: the row holds what the unanswered commit wrote").arg(key));
        openStoredItem(key, screenState().openedItem.unanswered);
    }
    screenState().openedItem.unanswered.clear();
    if (!screenState().openedItem.stored) {
        if (present) throw ConflictFound{Conflict::Added};
    } else if (!present) {
        throw ConflictFound{Conflict::Deleted};
    } else if (listedValues(*rs) != screenState().openedItem.shown) {
        throw ConflictFound{Conflict::Changed};
    }
    return rs;
}

// The key the entry acts on: the stored row's own, never a field's text.
QString keyToWrite() {
    const QString typed = trimSpaces(itemScreen()->Koumoku->text());
    if (!screenState().openedItem.stored) return typed;
    if (typed != screenState().openedItem.key)
        throw db::Error(QString(), 0, QStringLiteral("the number field shows %1 for item %2").arg(typed, screenState().openedItem.key));
    return screenState().openedItem.key;
}

// The entry as the list will show it once stored: trimmed, numbers as numbers, a length of 0 empty.
QStringList enteredValues() {
    const F_R205730* f = itemScreen();
    QStringList values;
    for (const ItemColumn* col : entryColumns) {
        const QString text = trimSpaces(col->fieldOn(f)->text());
        bool isNumber = false;
        const qlonglong n = text.toLongLong(&isNumber);
        const bool numeric = col->isLength || col->list == ListColumn::ItemNumber;
        values.append(!numeric || !isNumber ? text : col->isLength && n == 0 ? QString() : QString::number(n));
    }
    return values;
}

// Name, attribute and lengths of the row as stored (or as about to be written), for the history.
QStringList historyValues(const db::ResultSet& rs) {
    QStringList values;
    for (const ItemColumn* col : entryColumns) {
        if (col->list == ListColumn::ItemNumber) continue;
        const QVariant value = rs.columnValue(col->column());
        values.append(value.isNull() ? QString() : value.toString());
    }
    return values;
}

const QString historyRefused = QStringLiteral("履歴を書き込めないため、書き込みませんでした。システム管理者に連絡してください");

// A row that another workstation inserted between the test and the write refuses the insert.
bool isDuplicateKey(const db::Error& e) { return e.sqlState.startsWith(QLatin1String("23")); }

CheckResult tellConflict(Conflict conflict, bool deleting) {
    logDetail(QStringLiteral("%1 of item %2 refused: another workstation changed the row since it was shown")
                  .arg(deleting ? QStringLiteral("delete") : QStringLiteral("save"),
                       screenState().openedItem.stored ? screenState().openedItem.key : trimSpaces(itemScreen()->Koumoku->text())));
    msgBox(conflictMessage(conflict, deleting), vbOKOnly | vbExclamation);
    return CheckResult::Stop;
}

// The design's message for a write that failed, followed by what the surroundings did.
void tellNotWritten(const db::Error* failure) {
    msgBox(failure && failure->fromSurroundings() ? updateCancelled + QLatin1Char('\n') + failure->operatorSentence()
                                                  : updateCancelled,
           vbOKOnly);
}

enum class ReadBack { Done, NotDone, Unknown };

// After a commit whose answer was lost with the connection: a new connection reads the row, and
// `done` tells from it whether the commit went through.
ReadBack readBackAfterLostCommit(const QString& key, const std::function<bool(const db::ResultSet&)>& done) {
    logDetail(QStringLiteral("item %1: the connection was lost with the commit; reading the row back").arg(key));
    try {
        db::reconnect();
        const std::unique_ptr<db::ResultSet> rs = openReadOnly(searchItemSql(key));
        const bool wasDone = done(*rs);
        rs->closeResultSet();
        logDetail(QStringLiteral("item %1: the commit was %2").arg(key, wasDone ? QStringLiteral("done") : QStringLiteral("not done")));
        return wasDone ? ReadBack::Done : ReadBack::NotDone;
    } catch (const std::exception& e) {
        logDetail(QStringLiteral("item %1: the row cannot be read back: %2").arg(key, QString::fromUtf8(e.what())));
        return ReadBack::Unknown;
    }
}

}  // namespace

SaveOutcome storeItem() {
    setMousePointer(vbHourglass);
    QString key;
    QStringList written;
    try {
        key = keyToWrite();
        written = enteredValues();
        const bool keepHistory = historyKept();
        db::Transaction transaction;
        if (keepHistory) beginHistoryWrite();
        const QStringList unanswered = screenState().openedItem.unanswered;
        std::unique_ptr<db::ResultSet> rs = openShownRow(key);
        // The same entry again, and the unanswered commit had stored it: written once is enough.
        if (!unanswered.isEmpty() && screenState().openedItem.stored && screenState().openedItem.shown == unanswered && written == unanswered)
            return SaveOutcome::Saved;
        const QStringList before = screenState().openedItem.stored ? historyValues(*rs) : QStringList();
        // Insert or update follows the entry; the row's presence now has been checked against it.
        if (screenState().openedItem.stored) rs->edit();
        else rs->addNew();
        moveFieldsToRow(*rs);
        const QStringList after = historyValues(*rs);
        try {
            rs->update();
        } catch (const db::RowChanged&) {
            throw ConflictFound{Conflict::Changed};
        } catch (const db::Error& e) {
            if (!screenState().openedItem.stored && isDuplicateKey(e)) throw ConflictFound{Conflict::Added};
            throw;
        }
        rs->closeResultSet();
        // A save that changes nothing is no change to keep (the trigger for other programs agrees).
        if (keepHistory && (!screenState().openedItem.stored || before != after))
            recordHistory(screenState().openedItem.stored ? HistoryAction::Changed : HistoryAction::Added, key, before, after);
        transaction.commit();
        return SaveOutcome::Saved;
    } catch (const ConflictFound& found) {
        tellConflict(found.conflict, false);
        return SaveOutcome::Refused;
    } catch (const HistoryNotWritten&) {
        // A site matter (the history's privileges): the entry stays to be saved once it is put right.
        msgBox(updateCancelled + QLatin1Char('\n') + historyRefused, vbOKOnly | vbExclamation);
        return SaveOutcome::NotStored;
    } catch (const db::Error& e) {
        if (e.outcomeUnknown) {
            switch (readBackAfterLostCommit(key, [&](const db::ResultSet& rs) { return !rs.atEnd() && listedValues(rs) == written; })) {
            case ReadBack::Done: return SaveOutcome::Saved;
            case ReadBack::NotDone: tellNotWritten(&e); return SaveOutcome::NotStored;
            case ReadBack::Unknown:
                screenState().openedItem.unanswered = written;
                msgBox(db::unknownOutcomeSentence(), vbOKOnly | vbExclamation);
                return SaveOutcome::NotStored;
            }
        }
        logDetail(QStringLiteral("save: ") + QString::fromUtf8(e.what()));
        tellNotWritten(&e);
        // Stored values are refused for what they are; a failure around the program leaves the
        // entry to be saved again once it has passed.
        return e.fromSurroundings() ? SaveOutcome::NotStored : SaveOutcome::Refused;
    } catch (const std::exception& e) {
        logDetail(QStringLiteral("save: ") + QString::fromUtf8(e.what()));
        tellNotWritten(nullptr);
        return SaveOutcome::Refused;
    }
}

CheckResult saveItem() { return storeItem() == SaveOutcome::Saved ? CheckResult::Passed : CheckResult::Stop; }

CheckResult deleteItem() {
    bool listReloaded = false;
    QString key;
    try {
        if (checkAllFields() == CheckResult::Stop) return CheckResult::Stop;
        const int answer = msgBox(QStringLiteral("削除してよろしいですか"), vbOKCancel | vbExclamation);
        std::optional<db::Transaction> transaction;
        if (answer == vbOK) {
            key = keyToWrite();
            const bool keepHistory = historyKept();
            transaction.emplace();
            if (keepHistory) beginHistoryWrite();
            QStringList before;
            {
                // Held from here to the commit: the row deleted is the row shown, unchanged.
                std::unique_ptr<db::ResultSet> rs = openShownRow(key);
                before = historyValues(*rs);
                rs->edit();
                const QString keyColumn = itemColumn(ListColumn::ItemNumber).column();
                rs->setColumnValue(keyColumn, rs->columnValue(keyColumn));
                try {
                    rs->update();
                } catch (const db::RowChanged&) {
                    throw ConflictFound{Conflict::Changed};
                }
                rs->closeResultSet();
            }
            executeSql(deleteItemSql(key));
            if (keepHistory) recordHistory(HistoryAction::Deleted, key, before, {});
            listReloaded = true;
            loadItemList();
        }
        setListSelection(ListSelection::Collapsed);
        clearInputs();
        showHeaderBand();
        returnToHead();
        screenState().newItemFlag = 0;
        if (transaction) {
            transaction->commit();
            showNote(QStringLiteral("項目 %1 を削除しました").arg(key));
        }
        return CheckResult::Passed;
    } catch (const HistoryNotWritten&) {
        msgBox(updateCancelled + QLatin1Char('\n') + historyRefused, vbOKOnly | vbExclamation);
    } catch (const ConflictFound& found) {
        tellConflict(found.conflict, true);
        // The item shown is out of date: the entry ends and the list shows the table as it is.
        leaveEntry();
        reloadItemList();
    } catch (const db::Error& e) {
        if (e.outcomeUnknown) {
            const ReadBack readBack = readBackAfterLostCommit(key, [](const db::ResultSet& rs) { return rs.atEnd(); });
            if (readBack == ReadBack::Done) {
                reloadItemList();
                showNote(QStringLiteral("項目 %1 を削除しました").arg(key));
                return CheckResult::Passed;
            }
            msgBox(readBack == ReadBack::NotDone ? updateCancelled + QLatin1Char('\n') + e.operatorSentence()
                                                 : db::unknownOutcomeSentence(),
                   vbOKOnly);
        } else {
            logDetail(QStringLiteral("delete: ") + QString::fromUtf8(e.what()));
            tellNotWritten(&e);
        }
        // The list was read inside the transaction that was undone. Where the surroundings failed,
        // it is read again by the next action rather than waited for once more now.
        if (listReloaded) {
            if (e.fromSurroundings()) dropList();
            else reloadItemList();
        }
    } catch (const std::exception& e) {
        logDetail(QStringLiteral("delete: ") + QString::fromUtf8(e.what()));
        tellNotWritten(nullptr);
        if (listReloaded) reloadItemList();
    }
    return CheckResult::Stop;
}
