// Times the item list's hot paths against the bare ODBC fetch of the same query, in one process:
//   bench_item_list [ROWS...]          list load, search and save for each row count
//   bench_item_list --memory ROWS      peak memory of the screen holding ROWS items
// The engine comes from R205730_TEST_ENGINE (sqlite, postgresql), as in the tests.
#include "screen_fixture.h"

#include "db/db.h"
#include "itemmaster/item_statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The query read into memory with nothing but the ODBC API: the floor for any list load.
double bareFetchMs(const QString& connectString, const QString& sql, long& rows) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)connectString.utf16(), SQL_NTS, nullptr, 0, nullptr,
                      SQL_DRIVER_NOPROMPT);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    QElapsedTimer t;
    t.start();
    std::vector<QString> cells;
    SQLRETURN rc = SQLExecDirectW(stmt, (SQLWCHAR*)sql.utf16(), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) std::fprintf(stderr, "bare fetch failed\n");
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    SQLWCHAR buffer[512];
    rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        ++rows;
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLLEN indicator = 0;
            SQLGetData(stmt, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            cells.emplace_back(indicator == SQL_NULL_DATA
                                   ? QString()
                                   : QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer)));
        }
    }
    const double ms = t.nsecsElapsed() / 1e6;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return ms;
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

long peakKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void runTimings(int rows) {
    ShownScreen screen(nullptr, [rows](TestDatabase& d) { fillItems(d, rows); });
    if (!screen.database().isReady()) {
        std::printf("  no database: %s\n", qPrintable(screen.database().problem()));
        return;
    }
    F_R205730* f = screen.form();
    const QString sql = itemListSql();
    std::vector<double> bare, load;
    long fetched = 0;
    for (int i = 0; i < 5; ++i) {
        bare.push_back(bareFetchMs(workarea.connectString, sql, fetched));
        QElapsedTimer t;
        t.start();
        loadItemList();
        QApplication::processEvents();  // the view takes the new rows and paints
        f->GRID->repaint();
        load.push_back(t.nsecsElapsed() / 1e6);
    }
    const double b = median(bare), l = median(load);
    std::printf("  %6d items  bare ODBC fetch %8.1f ms   list load into the grid %8.1f ms   ratio %.2f\n", int(fetched), b,
                l, l / b);

    // Search: Enter in the search field until the name field has the focus and the row is lit.
    std::vector<double> search;
    for (int i = 0; i < 21; ++i) {
        const int number = rows - i * (rows / 25);
        returnToHead();
        clearInputs();
        f->Kensaku->setText(QString::number(number));
        f->Kensaku->setFocus();
        QElapsedTimer t;
        t.start();
        QTest::keyClick(f->Kensaku, Qt::Key_Return);
        search.push_back(t.nsecsElapsed() / 1e6);
        if (QApplication::focusWidget() != f->Koumoku_NM || f->GRID->colSel() != 6)
            std::printf("  search for %d did not open the item\n", number);
    }
    std::printf("                search by number (median of %zu)  %6.2f ms\n", search.size(), median(search));

    // Save: Yes to the question until the list has been read again.
    std::vector<double> save;
    for (int i = 0; i < 5; ++i) {
        returnToHead();
        clearInputs();
        f->Kensaku->setText(QString::number(rows / 2 + i));
        f->Kensaku->setFocus();
        QTest::keyClick(f->Kensaku, Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("変更%1").arg(i));
        screen.tk().answer(platform::vbYes);
        QElapsedTimer t;
        t.start();
        QTest::keyClick(f->Koumoku_NM, Qt::Key_Escape);  // the save question, answered Yes
        save.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("                save round trip (median of %zu)   %8.1f ms\n", save.size(), median(save));
    if (!screen.tk().unexpectedBoxes.isEmpty() || screen.tk().boxes.size() != 5)
        std::printf("  unexpected messages: %s\n", qPrintable(screen.tk().boxTexts().join(QLatin1Char('|'))));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--memory")) {
        const int rows = args.value(1).toInt();
        ShownScreen screen(nullptr, [rows](TestDatabase& d) { fillItems(d, rows); });
        QApplication::processEvents();
        std::printf("  peak memory with %6d items: %ld KiB (list rows %d)\n", rows, peakKiB(), listRowCount);
        return 0;
    }
    if (args.isEmpty()) args = {QStringLiteral("32766"), QStringLiteral("100000")};
    std::printf("engine: %s\n", qgetenv("R205730_TEST_ENGINE").isEmpty() ? "sqlite" : qgetenv("R205730_TEST_ENGINE").constData());
    for (const QString& a : args) runTimings(a.toInt());
    return 0;
}
