// The item list's grid: classic operations, events in their order, and one notification per bulk load.
#include "screen/flex_grid.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

class TestFlexGrid : public QObject {
    Q_OBJECT

    // A shown 7-column grid with a title row and n data rows "r<row>c<col>".
    std::unique_ptr<FlexGrid> makeGrid(int n) {
        auto g = std::make_unique<FlexGrid>();
        g->resize(600, 300);
        g->setRedraw(false);
        g->setCols(7);
        g->setRows(n + 1);
        for (int r = 0; r <= n; ++r)
            for (int c = 0; c < 7; ++c) g->setTextMatrix(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
        g->setColWidth(0, 0);
        g->setRedraw(true);
        g->show();
        return g;
    }

private slots:
    void bulkLoadNotifiesTheViewOnce() {
        FlexGrid g;
        QSignalSpy resets(g.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(g.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy changes(g.model(), &QAbstractItemModel::dataChanged);
        int rowColChanges = 0;
        g.onRowColChange = [&] { ++rowColChanges; };
        g.setRedraw(false);
        g.setCols(7);
        for (int r = 1; r <= 100000; ++r) {
            g.setRows(r + 1);
            g.setRow(r);
            g.setRowHeight(r, 360);
            for (int c = 1; c <= 6; ++c) {
                g.setTextMatrix(r, c, QString::number(r * 10 + c));
                g.setCol(c);
                g.setCellAlignment(c == 1 ? FlexGrid::RightCenter : FlexGrid::LeftCenter);
            }
        }
        g.setRedraw(true);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(g.model()->rowCount(), 100000);
        QCOMPARE(g.rows(), 100001);
        QCOMPARE(g.textMatrix(100000, 6), QStringLiteral("1000006"));
        QCOMPARE(g.row(), 100000);
        QCOMPARE(g.col(), 6);
        // Every move of the current cell during the load was reported: the row, then six columns.
        QCOMPARE(rowColChanges, 100000 * 7);
        QCOMPARE(g.model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(g.rowHeight(5), 360);
    }

    void dataColumnsLoadAtOnceAndTakeLaterWrites() {
        auto g = makeGrid(2);
        GridColumn numbers = GridColumn::numbers(true), texts = GridColumn::texts(), shared = GridColumn::sharedTexts();
        for (int i = 0; i < 1000; ++i) {
            numbers.appendNumber(i % 3);
            texts.appendText(QStringLiteral("%1番").arg(i));
            shared.appendText(QStringLiteral("属性%1").arg(i % 300));
        }
        numbers.appendNumber(Q_INT64_C(9007199254740993));  // beyond 32 bits after smaller ones
        numbers.appendEmpty();
        std::vector<GridColumn> columns(1);
        columns.push_back(std::move(numbers));
        columns.push_back(std::move(texts));
        columns.push_back(std::move(shared));
        columns.resize(7);
        QSignalSpy resets(g->model(), &QAbstractItemModel::modelReset);
        g->setDataColumns(std::move(columns), {1, 7, 1, 1, 1, 1, 1});
        QCOMPARE(resets.count(), 1);
        QCOMPARE(g->rows(), 1003);
        QCOMPARE(g->textMatrix(0, 2), QStringLiteral("r0c2"));  // the title row stays
        QCOMPARE(g->textMatrix(1, 1), QString());              // 0 shown empty
        QCOMPARE(g->textMatrix(3, 1), QStringLiteral("2"));
        QCOMPARE(g->textMatrix(1000, 2), QStringLiteral("999番"));
        QCOMPARE(g->textMatrix(1000, 3), QStringLiteral("属性99"));
        QCOMPARE(g->textMatrix(300, 3), QStringLiteral("属性299"));
        QCOMPARE(g->textMatrix(1001, 1), QStringLiteral("9007199254740993"));
        QCOMPARE(g->textMatrix(1002, 1), QString());
        QCOMPARE(g->textMatrix(1002, 2), QString());  // past a shorter column's end
        QCOMPARE(g->textMatrix(500, 5), QString());
        QCOMPARE(g->model()->index(2, 1).data().toString(), QStringLiteral("2"));
        QCOMPARE(g->model()->index(2, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(g->model()->index(1001, 5).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));

        // One cell's alignment changes that cell only.
        g->setRow(7);
        g->setCol(1);
        g->setCellAlignment(FlexGrid::CenterCenter);
        QCOMPARE(g->cellAlignment(), int(FlexGrid::CenterCenter));
        g->setRow(8);
        QCOMPARE(g->cellAlignment(), int(FlexGrid::RightCenter));

        // Cells written afterwards change only themselves.
        g->setTextMatrix(3, 2, QStringLiteral("書換"));
        g->setTextMatrix(4, 1, QStringLiteral("x"));
        QCOMPARE(g->textMatrix(3, 2), QStringLiteral("書換"));
        QCOMPARE(g->textMatrix(4, 2), QStringLiteral("3番"));
        QCOMPARE(g->textMatrix(4, 1), QStringLiteral("x"));
        QCOMPARE(g->textMatrix(5, 1), QStringLiteral("1"));
        g->setRows(11);
        QCOMPARE(g->textMatrix(10, 3), QStringLiteral("属性9"));
        g->setRows(20);
        QCOMPARE(g->textMatrix(15, 2), QString());
        g->setRow(15);
        QCOMPARE(g->cellAlignment(), int(FlexGrid::LeftCenter));  // a row added later is as new
        g->setRow(7);
        QCOMPARE(g->cellAlignment(), int(FlexGrid::CenterCenter));
        g->clear();
        QCOMPARE(g->cellAlignment(), int(FlexGrid::CenterCenter));  // clearing keeps the alignments
        QCOMPARE(g->rows(), 20);
        QCOMPARE(g->textMatrix(10, 3), QString());
        QCOMPARE(g->textMatrix(0, 2), QString());
    }

    void titleRowIsTheHeaderAndColumnZeroIsHidden() {
        auto g = makeGrid(3);
        QCOMPARE(g->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("r0c2"));
        QCOMPARE(g->model()->index(0, 2).data().toString(), QStringLiteral("r1c2"));
        QVERIFY(g->isColumnHidden(0));
        QCOMPARE(g->colWidth(0), 0);
        g->setColWidth(2, 2500);
        QVERIFY(qAbs(g->colWidth(2) - 2500) < 15);  // whole pixels
    }

    void currentRowFromCodeRaisesTheChangeOnce() {
        auto g = makeGrid(5);
        QStringList seen;
        g->onRowColChange = [&] { seen << QStringLiteral("%1,%2").arg(g->row()).arg(g->col()); };
        g->setRow(3);
        g->setRow(3);
        g->setCol(0);
        QCOMPARE(seen, (QStringList{"3,0"}));  // setCol(0) kept the column it already had
        QCOMPARE(g->currentIndex().row(), 2);
    }

    void keyDownRunsBeforeTheGridMoves() {
        auto g = makeGrid(5);
        g->setRow(2);
        g->setFocus();
        QStringList seen;
        g->onKeyDown = [&](Int16& key, Int16 shift) { seen << QStringLiteral("key %1 shift %2 at row %3").arg(key).arg(shift).arg(g->row()); };
        g->onRowColChange = [&] { seen << QStringLiteral("row %1 col %2").arg(g->row()).arg(g->col()); };
        QTest::keyClick(g.get(), Qt::Key_Down);
        QCOMPARE(seen, (QStringList{"key 40 shift 0 at row 2", "row 3 col 0"}));

        // A handler that swallows the key keeps the grid where it is.
        g->onKeyDown = [](Int16& key, Int16) { key = 0; };
        QTest::keyClick(g.get(), Qt::Key_Down);
        QCOMPARE(g->row(), 3);
    }

    void clickMovesTheCurrentRowThenReportsTheClick() {
        auto g = makeGrid(5);
        QStringList seen;
        g->onRowColChange = [&] { seen << QStringLiteral("change %1").arg(g->row()); };
        g->onClick = [&] { seen << QStringLiteral("click %1").arg(g->row()); };
        g->onDblClick = [&] { seen << QStringLiteral("double %1").arg(g->row()); };
        const QRect cell = g->visualRect(g->model()->index(3, 2));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(seen, (QStringList{"change 4", "click 4"}));
        seen.clear();
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(seen.contains(QStringLiteral("double 4")));
    }

    void selectionHighlightsTheWholeRow() {
        auto g = makeGrid(4);
        g->setRow(2);
        g->setCol(0);
        g->setColSel(6);
        auto lit = [&](int viewRow, int col) { return g->model()->index(viewRow, col).data(Qt::BackgroundRole).isValid(); };
        QVERIFY(lit(1, 1) && lit(1, 6));
        QVERIFY(!lit(0, 1) && !lit(2, 6));
        g->setColSel(0);
        QVERIFY(!lit(1, 1));
        // Moving the current row collapses the selection.
        g->setColSel(6);
        g->setRow(3);
        QVERIFY(!lit(1, 1) && !lit(2, 1));
    }

    // The view repaints only what the model says changed; a change it does not hear of stays stale on screen.
    void changesWhileDrawingReachTheView() {
        auto g = makeGrid(3);
        QSignalSpy cells(g->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy titles(g->model(), &QAbstractItemModel::headerDataChanged);
        auto forget = [&] {
            cells.clear();
            titles.clear();
        };
        // Whether a change to a cell (in view rows) or a title was announced since the last forget().
        auto announced = [&](int viewRow, int col) {
            return std::any_of(cells.begin(), cells.end(), [&](const QList<QVariant>& args) {
                const QModelIndex from = args[0].toModelIndex(), to = args[1].toModelIndex();
                return from.row() <= viewRow && viewRow <= to.row() && from.column() <= col && col <= to.column();
            });
        };
        auto titleAnnounced = [&](int col) {
            return std::any_of(titles.begin(), titles.end(),
                               [&](const QList<QVariant>& args) { return args[1].toInt() <= col && col <= args[2].toInt(); });
        };

        g->setTextMatrix(2, 3, QStringLiteral("新"));
        QVERIFY(announced(1, 3));
        g->setTextMatrix(0, 4, QStringLiteral("見出し"));
        QVERIFY(titleAnnounced(4));
        g->setRow(2);
        g->setCol(3);
        forget();
        g->setCellAlignment(FlexGrid::RightCenter);
        QVERIFY(announced(1, 3));
        g->setColSel(6);
        QVERIFY(announced(1, 6));
        forget();
        g->setRow(3);  // the highlight leaves row 2
        QVERIFY(announced(1, 6));
        forget();
        g->clear();
        QVERIFY(announced(0, 1) && announced(2, 6) && titleAnnounced(4));
    }

    void clearEmptiesCellsButKeepsTheShape() {
        auto g = makeGrid(3);
        g->clear();
        QCOMPARE(g->rows(), 4);
        QCOMPARE(g->cols(), 7);
        QCOMPARE(g->textMatrix(2, 3), QString());
        QCOMPARE(g->textMatrix(0, 1), QString());
    }

    void shrinkingKeepsTheCurrentCellInside() {
        auto g = makeGrid(5);
        g->setRow(5);
        g->setRows(3);
        QCOMPARE(g->row(), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, g->setRow(3));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, g->textMatrix(0, 7));
    }

    void topRowScrollsTheList() {
        // Filled before it is shown, standing on its last row: it still shows from the top.
        FlexGrid hidden;
        hidden.resize(600, 300);
        hidden.setRedraw(false);
        hidden.setRows(501);
        hidden.setRow(500);
        hidden.setRedraw(true);
        hidden.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hidden));
        QCOMPARE(hidden.topRow(), 1);

        auto g = makeGrid(500);
        g->setRow(450);  // the current row alone does not scroll
        QCOMPARE(g->topRow(), 1);
        g->setTopRow(200);
        QCOMPARE(g->topRow(), 200);
        // Keys move the current row as the operator sees it.
        g->setFocus();
        g->setRow(200);
        QTest::keyClick(g.get(), Qt::Key_Up);
        QCOMPARE(g->row(), 199);
        QCOMPARE(g->topRow(), 199);
        g->setTopRow(1);
        QCOMPARE(g->topRow(), 1);
    }
};

QTEST_MAIN(TestFlexGrid)
#include "test_flex_grid.moc"
