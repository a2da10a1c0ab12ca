// Times the item list for one engine (R205730_TEST_ENGINE: sqlite, postgresql) and one item
// count against floors measured in the same run, and ends with one RESULT line:
//   bench_item_list ROWS [--site DIR --empty-site DIR] [--saves N]
// In this process: the floors (floors.h), the list load into the shown grid, the search by
// number and the save round trip, the latter also N times (default 200) with the history table and
// as often on a twin of the database without it. With two sites laid out by scripts/site (ROWS
// items and none): the program's start-up to its first paint against a bare Qt window's, and its
// memory above the empty screen.
//   bench_item_list --history [HISTORY_ROWS [VERSIONS [ITEMS]]]
// times Ctrl+H on one item with VERSIONS versions (default 1,000) in a history of HISTORY_ROWS
// rows (default 1,000,000) over ITEMS items (default 32,766), against the same statement's floors,
// and ends with its own RESULT line.
#include "floors.h"
#include "history.h"
#include "screen_fixture.h"
#include "startup.h"

#include "db/db.h"
#include "itemmaster/history_dialog.h"
#include "itemmaster/item_history.h"
#include "itemmaster/item_statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The value below which a share q of them lie (q = 0.5: the median as above).
double quantile(std::vector<double> v, double q) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

struct Spread {
    double median = -1, low = -1, high = -1;  // the median and the middle half
    explicit Spread(const std::vector<double>& v = {}) : median(quantile(v, 0.5)), low(quantile(v, 0.25)), high(quantile(v, 0.75)) {}
};

double msOf(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

void fillItems(TestDatabase& d, int rows) {
    if (rows == 0) return;
    d.run(d.isPostgres()
              ? QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('属性', 'X', '英数字'), ('属性', '9', '数値');\n"
                               "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                               "SELECT i, 'データ項目' || i, CASE WHEN i % 3 = 0 THEN '9' ELSE 'X' END, i % 40, i % 3 "
                               "FROM generate_series(1, %1) AS i")
                    .arg(rows)
              : QStringLiteral("INSERT INTO 区分マスタ (区分, 区分コード, 区分名称) VALUES ('属性', 'X', '英数字'), ('属性', '9', '数値');\n"
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                               "SELECT i, 'データ項目' || i, CASE WHEN i % 3 = 0 THEN '9' ELSE 'X' END, i % 40, i % 3 FROM n")
                    .arg(rows));
}

struct Figures {
    double engine = -1, boundFetch = -1, perCell = -1, connect = -1, load = -1, search = -1, save = -1;
    // The same saves with the history table and on the twin without it: the round trip, and the
    // write alone (storeItem, its transaction, until the commit).
    Spread saveHistory, saveNoHistory, storeHistory, storeNoHistory;
    int savesCompared = 0;
    double findIndex = -1, find = -1, findBytesPerItem = -1;
    double startup = -1, bare = -1, emptyStartup = -1, bytesPerItem = -1, heldPerItem = -1;
};

// Save: Yes to the question, until the list has been read again.
double saveRoundTrip(ShownScreen& screen, int number, int tag) {
    F_R205730* f = screen.form();
    returnToHead();
    clearInputs();
    f->Kensaku->setText(QString::number(number));
    f->Kensaku->setFocus();
    QTest::keyClick(f->Kensaku, Qt::Key_Return);
    f->Koumoku_NM->setText(QStringLiteral("変更%1").arg(tag));
    screen.tk().answer(platform::vbYes);
    return msOf([&] {
        QTest::keyClick(f->Koumoku_NM, Qt::Key_Escape);  // the save question, answered Yes
        QApplication::processEvents();
        f->GRID->repaint();
    });
}

// The write alone: what the answer Yes starts before the list is read again. The list is not read
// again after it, so an item is written this way once for each reading of the list.
double storeOnly(ShownScreen& screen, int number, int tag) {
    F_R205730* f = screen.form();
    returnToHead();
    clearInputs();
    f->Kensaku->setText(QString::number(number));
    f->Kensaku->setFocus();
    QTest::keyClick(f->Kensaku, Qt::Key_Return);
    f->Koumoku_NM->setText(QStringLiteral("変更%1").arg(tag));
    SaveOutcome outcome = SaveOutcome::Refused;
    const double ms = msOf([&] { outcome = storeItem(); });
    if (outcome != SaveOutcome::Saved) std::printf("  item %d was not written\n", number);
    returnToHead();
    return ms;
}

// The program's connection to another data source, with the list read on it.
void connectTo(const QString& dataSource) {
    returnToHead();
    clearInputs();
    closeDatabase();
    workarea.dataSource = dataSource;
    openDatabase();
    // Asked again, as a program started on that data source would: the answer is kept only for
    // connections opened again on the same one.
    screenState().historyGeneration = -1;
    loadItemList();
    QApplication::processEvents();
}

// The same saves on the database with the history table and on its twin without, in turn, a block
// on each at a time, so that the machine's other work falls on both alike; the first of each block
// begins in turn. A block starts with a save not timed: the first on a connection asks whether the
// history is kept and, on PostgreSQL, has the backend read the tables' catalog.
void compareSaves(ShownScreen& screen, int rows, int saves, const QString& withHistory, Figures& out) {
    constexpr int perBlock = 10;
    const int blocks = (saves + perBlock - 1) / perBlock;
    const QString dataSources[] = {withHistory, NoHistoryTwin::dataSource()};
    std::vector<double> roundTrip[2], store[2];
    const int boxes = int(screen.tk().boxes.size());
    const QString countHistory = QStringLiteral("SELECT COUNT(*) FROM FL1901項目情報マスタ履歴");
    const qint64 historyBefore = screen.database().queryValue(countHistory).toLongLong();
    // Items of their own, the same on both, from a quarter of the way into the list on: those whose
    // generated length passes the checks whatever their attribute (fillItems).
    std::vector<int> items;
    for (int n = 0; n < rows && int(items.size()) < blocks * (2 * perBlock + 1); ++n)
        if (const int i = 1 + (rows / 4 + n) % rows; i % 40 >= 3 && i % 40 <= 30) items.push_back(i);
    if (int(items.size()) < blocks * (2 * perBlock + 1)) {
        std::printf("  too few items to compare %d saves\n", saves);
        return;
    }
    auto item = [&items](int n) { return items[size_t(n)]; };
    int tag = 0;
    for (int b = 0; b < blocks; ++b) {
        for (int turn = 0; turn < 2; ++turn) {
            const int side = (b + turn) % 2;
            connectTo(dataSources[side]);
            saveRoundTrip(screen, item(b * (perBlock + 1)), ++tag);
            for (int i = 1; i <= perBlock; ++i) roundTrip[side].push_back(saveRoundTrip(screen, item(b * (perBlock + 1) + i), ++tag));
            for (int i = 0; i < perBlock; ++i)
                store[side].push_back(storeOnly(screen, item(blocks * (perBlock + 1) + b * perBlock + i), ++tag));
        }
    }
    connectTo(withHistory);
    out.saveHistory = Spread(roundTrip[0]);
    out.saveNoHistory = Spread(roundTrip[1]);
    out.storeHistory = Spread(store[0]);
    out.storeNoHistory = Spread(store[1]);
    out.savesCompared = int(roundTrip[0].size());
    if (!screen.tk().unexpectedBoxes.isEmpty() || int(screen.tk().boxes.size()) != boxes + 2 * blocks * (perBlock + 1))
        std::printf("  unexpected messages: %s\n", qPrintable(screen.tk().boxTexts().join(QLatin1Char('|'))));
    // One history row for each save on the database that keeps it, none on the twin.
    const qint64 written = screen.database().queryValue(countHistory).toLongLong() - historyBefore;
    if (written != blocks * (2 * perBlock + 1)) std::printf("  the history gained %lld rows, not %d\n", written, blocks * (2 * perBlock + 1));
}

void timeInProcess(int rows, int saves, Figures& out) {
    std::unique_ptr<NoHistoryTwin> twin;
    ShownScreen screen(nullptr, [&](TestDatabase& d) {
        fillItems(d, rows);
        if (saves > 0) twin = std::make_unique<NoHistoryTwin>(d);
    });
    // Before the database goes with the screen.
    const auto dropTwin = qScopeGuard([&] { twin.reset(); });
    TestDatabase& database = screen.database();
    if (!database.isReady()) {
        std::printf("  no database: %s\n", qPrintable(database.problem()));
        return;
    }
    if (!database.isPostgres()) {
        // The data source as scripts/site lays it out for a workstation.
        database.addDataSource(QStringLiteral("EDI_BENCH"), {{QStringLiteral("StepAPI"), QStringLiteral("1")}});
        workarea.dataSource = QStringLiteral("EDI_BENCH");
        openDatabase();
    }
    F_R205730* f = screen.form();
    const QString sql = itemListSql();
    auto saveOnce = [&](int i) { return saveRoundTrip(screen, rows / 2 + i, i); };

    // Turn about, so that the machine's other work falls on all of them alike.
    std::vector<double> engine, boundFetch, perCell, connect, load, save;
    long fetched = 0;
    for (int i = 0; i < 5; ++i) {
        engine.push_back(engineShellMs(database, sql));
        boundFetch.push_back(boundFetchMs(workarea.connectString, sql, !database.isPostgres(), fetched));
        perCell.push_back(perCellFetchMs(workarea.connectString, sql, fetched));
        connect.push_back(connectMs(workarea.connectString));
        load.push_back(msOf([&] {
            loadItemList();
            QApplication::processEvents();  // the view takes the new rows and paints
            f->GRID->repaint();
        }));
        save.push_back(saveOnce(i));
    }
    out.engine = median(engine);
    out.boundFetch = median(boundFetch);
    out.perCell = median(perCell);
    out.connect = median(connect);
    out.load = median(load);
    out.save = median(save);
    if (fetched != rows || screenState().listRowCount != rows)
        std::printf("  read %ld rows, listed %d, expected %d\n", fetched, screenState().listRowCount, rows);

    // Search: Enter in the search field until the name field has the focus and the row is lit.
    std::vector<double> search;
    for (int i = 0; i < 21; ++i) {
        const int number = rows - i * (rows / 25);
        returnToHead();
        clearInputs();
        f->Kensaku->setText(QString::number(number));
        f->Kensaku->setFocus();
        search.push_back(msOf([&] { QTest::keyClick(f->Kensaku, Qt::Key_Return); }));
        if (QApplication::focusWidget() != f->Koumoku_NM || f->GRID->colSel() != 6 ||
            f->GRID->textMatrix(f->GRID->row(), 1) != QString::number(number))
            std::printf("  search for %d did not open the item\n", number);
    }
    out.search = median(search);

    // Find by name: Ctrl+F folds the names once; then each keystroke of a name being typed, as an
    // operator types it (hiragana for a katakana name), until a few items are left. Timed as the
    // search is, until the item is marked and counted; the view repaints after.
    returnToHead();
    clearInputs();
    f->Kensaku->setFocus();
    out.findIndex = msOf([&] { QTest::keyClick(f->Kensaku, Qt::Key_F, Qt::ControlModifier); });
    std::vector<double> find;
    for (const QString& typed : {QStringLiteral("でーた項目12"), QStringLiteral("目9"), QStringLiteral("ﾃﾞｰﾀ項目777")}) {
        f->findField->clear();
        for (const QChar c : typed)
            find.push_back(msOf([&] { typeText(f->findField, QString(c)); }));
        if (screenState().find.matches.empty() || f->GRID->markedRow() == 0)
            std::printf("  the find for %s marked nothing\n", qPrintable(typed));
    }
    out.find = median(find);
    const FindState& index = screenState().find;
    out.findBytesPerItem = double(index.names.capacity() * qsizetype(sizeof(QChar)) +
                                  qsizetype(index.ends.capacity() * sizeof(qsizetype))) / rows;
    QTest::keyClick(f->findField, Qt::Key_Escape);

    if (!screen.tk().unexpectedBoxes.isEmpty() || screen.tk().boxes.size() != 5)
        std::printf("  unexpected messages: %s\n", qPrintable(screen.tk().boxTexts().join(QLatin1Char('|'))));

    if (twin && twin->isReady()) compareSaves(screen, rows, saves, workarea.dataSource.trimmed(), out);
}

void timeStartUp(int rows, const QString& site, const QString& emptySite, Figures& out) {
    // Turn about, so that the machine's other work falls on both alike.
    std::vector<double> program, bare;
    std::vector<FirstPaint> full, empty;
    for (int i = 0; i < 5; ++i) {
        bare.push_back(startAndPaint(QString()).ms);
        full.push_back(startAndPaint(site));
        program.push_back(full.back().ms);
        empty.push_back(startAndPaint(emptySite));
    }
    out.startup = median(program);
    out.bare = median(bare);
    auto medianField = [](const std::vector<FirstPaint>& runs, auto field) {
        std::vector<double> v;
        for (const FirstPaint& p : runs) v.push_back(double(p.*field));
        return median(v);
    };
    out.emptyStartup = medianField(empty, &FirstPaint::ms);
    if (rows > 0) {
        out.bytesPerItem = (medianField(full, &FirstPaint::peakKiB) - medianField(empty, &FirstPaint::peakKiB)) * 1024 / rows;
        out.heldPerItem = (medianField(full, &FirstPaint::heapBytes) - medianField(empty, &FirstPaint::heapBytes)) / rows;
    }
}

struct HistoryFigures {
    double fillSeconds = -1;
    double engine = -1, boundFetch = -1, first = -1;
    Spread read, dialog, open;
    long fetched = 0;
    int shown = 0;
};

// Ctrl+H on an item with a long history, the way an operator opens it from the search field, until
// the dialog is painted; turn about with its parts (the history read, the dialog built from it)
// and the floors of the same statement.
void timeHistory(long historyRows, int versions, int items, HistoryFigures& out) {
    const int key = items / 2;
    bool filled = false;
    ShownScreen screen(nullptr, [&](TestDatabase& d) {
        fillItems(d, items);
        d.reconnectOwn();
        QElapsedTimer t;
        t.start();
        filled = fillHistory(d, historyRows, versions, items, key);
        out.fillSeconds = t.nsecsElapsed() / 1e9;
    });
    TestDatabase& database = screen.database();
    if (!database.isReady() || !filled) {
        std::printf("  no database: %s\n", qPrintable(database.problem()));
        return;
    }
    if (!database.isPostgres()) {
        database.addDataSource(QStringLiteral("EDI_BENCH"), {{QStringLiteral("StepAPI"), QStringLiteral("1")}});
        workarea.dataSource = QStringLiteral("EDI_BENCH");
        openDatabase();
    }
    F_R205730* f = screen.form();
    const QString keyText = QString::number(key);
    const QString sql = historyOfItemSql(keyText);
    auto openOnce = [&] {
        returnToHead();
        clearInputs();
        f->Kensaku->setText(keyText);
        // The screen's keys reach it while its window is the active one, as it is again once a
        // dialog over it has closed.
        f->activateWindow();
        if (!QTest::qWaitForWindowActive(f)) std::printf("  the screen did not become active\n");
        f->Kensaku->setFocus();
        const double ms = msOf([&] {
            QTest::keyClick(f->Kensaku, Qt::Key_H, Qt::ControlModifier);
            QApplication::processEvents();
            if (HistoryDialog* d = shownHistory()) d->repaint();
        });
        HistoryDialog* d = shownHistory();
        out.shown = d ? d->table->rowCount() : -1;
        if (d) d->reject();
        // It deletes itself on closing; until it has, Ctrl+H opens no other.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ms;
    };
    out.first = openOnce();

    std::vector<double> engine, boundFetch, read, dialog, open;
    for (int i = 0; i < 21; ++i) {
        engine.push_back(engineInSessionMs(database, sql, 3));
        boundFetch.push_back(boundFetchMs(workarea.connectString, sql, !database.isPostgres(), out.fetched, true));
        std::vector<HistoryEntry> entries;
        read.push_back(msOf([&] { entries = readHistory(keyText); }));
        HistoryDialog* d = nullptr;
        dialog.push_back(msOf([&] {
            d = new HistoryDialog(keyText, std::move(entries), f);
            d->open();
            QApplication::processEvents();
            d->repaint();
        }));
        d->reject();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        open.push_back(openOnce());
    }
    out.engine = median(engine);
    out.boundFetch = median(boundFetch);
    out.read = Spread(read);
    out.dialog = Spread(dialog);
    out.open = Spread(open);
    if (out.shown != versions || out.fetched != versions)
        std::printf("  the dialog showed %d rows, the floor read %ld, expected %d\n", out.shown, out.fetched, versions);
    if (!screen.tk().boxes.isEmpty()) std::printf("  unexpected messages: %s\n", qPrintable(screen.tk().boxTexts().join(QLatin1Char('|'))));
}

int historyMain(const QStringList& args, const QByteArray& engine) {
    const long historyRows = args.value(0, QStringLiteral("1000000")).toLong();
    const int versions = args.value(1, QStringLiteral("1000")).toInt();
    const int items = args.value(2, QStringLiteral("32766")).toInt();
    if (versions <= 0 || historyRows < versions || items < 2) {
        std::fprintf(stderr, "usage: bench_item_list --history [HISTORY_ROWS [VERSIONS [ITEMS]]]\n");
        return 2;
    }
    const bool pg = engine == "postgresql";
    HistoryFigures h;
    timeHistory(historyRows, versions, items, h);
    std::printf("%s, a history of %ld rows, %d versions of item %d among %d items (filled and analyzed in %.1f s)\n",
                engine.constData(), historyRows, versions, items / 2, items, h.fillSeconds);
    std::printf("  floors   %-42s %8.2f ms\n", pg ? "psql \\timing, one session, output discarded" : "sqlite3 .timer, one session, output discarded",
                h.engine);
    std::printf("           %-42s %8.2f ms\n", pg ? "ODBC bound columns, row arrays, wide" : "ODBC bound columns, row arrays, UTF-8",
                h.boundFetch);
    std::printf("  the history read (readHistory)                      %8.2f ms   middle half %.2f-%.2f, %.2fx the fastest ODBC fetch\n",
                h.read.median, h.read.low, h.read.high, h.read.median / h.boundFetch);
    std::printf("  the dialog built from it, shown and painted         %8.2f ms   middle half %.2f-%.2f\n", h.dialog.median,
                h.dialog.low, h.dialog.high);
    std::printf("  Ctrl+H until the dialog is painted (median of 21)   %8.2f ms   middle half %.2f-%.2f; the first %.1f ms\n",
                h.open.median, h.open.low, h.open.high, h.first);
    std::printf("RESULT engine=%s history_rows=%ld versions=%d history_ms=%.1f history_read_ms=%.1f history_floor_ms=%.1f "
                "history_engine_ms=%.1f history_dialog_ms=%.1f history_first_ms=%.1f\n",
                engine.constData(), historyRows, versions, h.open.median, h.read.median, h.boundFetch, h.engine, h.dialog.median,
                h.first);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QByteArray engine = qgetenv("R205730_TEST_ENGINE").isEmpty() ? QByteArray("sqlite") : qgetenv("R205730_TEST_ENGINE");
    if (args.value(0) == QLatin1String("--history")) return historyMain(args.mid(1), engine);
    const int rows = args.value(0).toInt();
    const int saves = args.contains(QStringLiteral("--saves")) ? args.value(args.indexOf(QStringLiteral("--saves")) + 1).toInt() : 200;
    const QString site = args.contains(QStringLiteral("--site")) ? args.value(args.indexOf(QStringLiteral("--site")) + 1) : QString();
    const QString emptySite =
        args.contains(QStringLiteral("--empty-site")) ? args.value(args.indexOf(QStringLiteral("--empty-site")) + 1) : QString();
    if (rows <= 0) {
        std::fprintf(stderr, "usage: bench_item_list ROWS [--site DIR --empty-site DIR] [--saves N]\n"
                             "       bench_item_list --history [HISTORY_ROWS [VERSIONS [ITEMS]]]\n");
        return 2;
    }
    const bool pg = engine == "postgresql";
    Figures f;
    timeInProcess(rows, saves, f);
    if (!site.isEmpty() && !emptySite.isEmpty()) timeStartUp(rows, site, emptySite, f);

    std::printf("%s, %d items\n", engine.constData(), rows);
    std::printf("  floors   %-42s %8.1f ms\n", pg ? "psql, output discarded (whole process)" : "sqlite3 shell, output discarded (whole process)", f.engine);
    std::printf("           %-42s %8.1f ms\n", pg ? "ODBC bound columns, row arrays, wide" : "ODBC bound columns, row arrays, UTF-8", f.boundFetch);
    std::printf("           %-42s %8.1f ms\n", "ODBC per-cell wide fetch into QStrings", f.perCell);
    std::printf("  a new connection, the driver loaded                 %8.1f ms\n", f.connect);
    std::printf("  list load into the shown grid                       %8.1f ms   %.2fx the fastest ODBC fetch\n", f.load,
                f.load / f.boundFetch);
    std::printf("  search by number (median of 21)                     %8.2f ms\n", f.search);
    std::printf("  save round trip (median of 5)                       %8.1f ms   the list load %+.1f ms\n", f.save,
                f.save - f.load);
    if (f.savesCompared > 0) {
        std::printf("  save round trip, with the history (median of %d)   %8.1f ms   middle half %.1f-%.1f\n", f.savesCompared,
                    f.saveHistory.median, f.saveHistory.low, f.saveHistory.high);
        std::printf("                   without, on a twin (median of %d) %8.1f ms   middle half %.1f-%.1f; the history %+.1f ms\n",
                    f.savesCompared, f.saveNoHistory.median, f.saveNoHistory.low, f.saveNoHistory.high,
                    f.saveHistory.median - f.saveNoHistory.median);
        std::printf("  the write alone, with the history                   %8.2f ms   middle half %.2f-%.2f\n", f.storeHistory.median,
                    f.storeHistory.low, f.storeHistory.high);
        std::printf("                   without                            %8.2f ms   middle half %.2f-%.2f; the history %+.2f ms\n",
                    f.storeNoHistory.median, f.storeNoHistory.low, f.storeNoHistory.high,
                    f.storeHistory.median - f.storeNoHistory.median);
    }
    std::printf("  find by name, a keystroke (median)                  %8.2f ms   the names folded once: %.1f ms, %.0f bytes an item\n",
                f.find, f.findIndex, f.findBytesPerItem);
    if (f.startup >= 0) {
        std::printf("  start-up to the first paint (%s)  %8.1f ms   bare Qt window %.1f ms; bare + load %+.1f ms"
                    " (%+.1f ms past a new connection)\n",
                    qPrintable(paintPlatform()), f.startup, f.bare, f.startup - f.bare - f.load,
                    f.startup - f.bare - f.load - f.connect);
        std::printf("  start-up with no items                              %8.1f ms   bare %+.1f ms\n", f.emptyStartup,
                    f.emptyStartup - f.bare);
        std::printf("  memory above the empty screen: %.0f bytes an item at its peak, %.0f held after the load\n",
                    f.bytesPerItem, f.heldPerItem);
    }
    std::printf("RESULT engine=%s rows=%d load_ms=%.1f odbc_floor_ms=%.1f engine_ms=%.1f startup_ms=%.1f bare_window_ms=%.1f "
                "bytes_per_item=%.0f search_ms=%.2f save_ms=%.1f find_ms=%.2f save_history_ms=%.1f save_no_history_ms=%.1f "
                "store_history_ms=%.2f store_no_history_ms=%.2f\n",
                engine.constData(), rows, f.load, f.boundFetch, f.engine, f.startup, f.bare, f.bytesPerItem, f.search, f.save,
                f.find, f.saveHistory.median, f.saveNoHistory.median, f.storeHistory.median, f.storeNoHistory.median);
    return 0;
}
