// Times the item list for one engine (R205730_TEST_ENGINE: sqlite, postgresql) and one item
// count against floors measured in the same run, and ends with one RESULT line:
//   bench_item_list ROWS [--site DIR --empty-site DIR]
// In this process: the floors (floors.h), the list load into the shown grid, the search by
// number and the save round trip. With two sites laid out by scripts/site (ROWS items and none):
// the program's start-up to its first paint against a bare Qt window's, and its memory above
// the empty screen.
#include "floors.h"
#include "screen_fixture.h"
#include "startup.h"

#include "db/db.h"
#include "itemmaster/item_statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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
    double findIndex = -1, find = -1, findBytesPerItem = -1;
    double startup = -1, bare = -1, emptyStartup = -1, bytesPerItem = -1, heldPerItem = -1;
};

void timeInProcess(int rows, Figures& out) {
    ShownScreen screen(nullptr, [rows](TestDatabase& d) { fillItems(d, rows); });
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
    // Save: Yes to the question, until the list has been read again.
    auto saveOnce = [&](int i) {
        returnToHead();
        clearInputs();
        f->Kensaku->setText(QString::number(rows / 2 + i));
        f->Kensaku->setFocus();
        QTest::keyClick(f->Kensaku, Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("変更%1").arg(i));
        screen.tk().answer(platform::vbYes);
        return msOf([&] {
            QTest::keyClick(f->Koumoku_NM, Qt::Key_Escape);  // the save question, answered Yes
            QApplication::processEvents();
            f->GRID->repaint();
        });
    };

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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int rows = args.value(0).toInt();
    const QString site = args.contains(QStringLiteral("--site")) ? args.value(args.indexOf(QStringLiteral("--site")) + 1) : QString();
    const QString emptySite =
        args.contains(QStringLiteral("--empty-site")) ? args.value(args.indexOf(QStringLiteral("--empty-site")) + 1) : QString();
    if (rows <= 0) {
        std::fprintf(stderr, "usage: bench_item_list ROWS [--site DIR --empty-site DIR]\n");
        return 2;
    }
    const QByteArray engine = qgetenv("R205730_TEST_ENGINE").isEmpty() ? QByteArray("sqlite") : qgetenv("R205730_TEST_ENGINE");
    const bool pg = engine == "postgresql";
    Figures f;
    timeInProcess(rows, f);
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
                "bytes_per_item=%.0f search_ms=%.2f save_ms=%.1f find_ms=%.2f\n",
                engine.constData(), rows, f.load, f.boundFetch, f.engine, f.startup, f.bare, f.bytesPerItem, f.search, f.save,
                f.find);
    return 0;
}
