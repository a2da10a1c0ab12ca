// The item list: a table view with the classic flex-grid operations.
// Row 0 is the title row (shown as the header); data rows are 1 .. rows() - 1.
#pragma once

#include "screen/grid_column.h"
#include "core/workarea.h"

#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class FlexGridModel;

class FlexGrid : public QTableView {
    Q_OBJECT
public:
    // Cell alignments with their classic numbers.
    enum Alignment { LeftCenter = 1, CenterCenter = 4, RightCenter = 7 };

    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int rows() const;
    void setRows(int rows);
    int cols() const;
    void setCols(int cols);

    // The current cell. Moving it from code raises onRowColChange, as a move by the operator does,
    // and collapses the selection onto it.
    int row() const { return row_; }
    void setRow(int row);
    int col() const { return col_; }
    void setCol(int col);
    // The selection runs from the current cell to (rowSel, colSel).
    int rowSel() const { return rowSel_; }
    void setRowSel(int row);
    int colSel() const { return colSel_; }
    void setColSel(int col);
    // First data row shown at the top.
    int topRow() const;
    void setTopRow(int row);

    // A cell's whole text as the grid shows it.
    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // Replaces every data row at once by one column of cells for each grid column; the longest
    // holds n cells and the grid then has n + 1 rows, the cells past a shorter column's end
    // being empty. Every data cell of a column takes the column's alignment. The view hears of
    // it once.
    void setDataColumns(std::vector<GridColumn> columns, const std::vector<int>& alignments);
    int colWidth(int col) const;               // twips
    void setColWidth(int col, int twips);
    int rowHeight(int row) const;              // twips
    // Data rows share one height; setting any data row's height sets it for all.
    void setRowHeight(int row, int twips);
    int cellAlignment() const;
    void setCellAlignment(int alignment);      // of the current cell

    // Sizes in twips are shown this much smaller (or larger) from now on, the present ones too:
    // the screen was scaled to fit the display.
    void setScale(double factor);

    // A data row marked for the eye only (what a find found), brought into view; the current cell
    // stays where it is. 0 takes the mark away.
    void setMarkedRow(int row);
    int markedRow() const { return foundRow_; }

    // Empties every cell; rows, columns and sizes stay.
    void clear();
    void refresh();
    // While redraw is off, changes are gathered and the view hears of them once when it is turned on.
    void setRedraw(bool on);
    bool redraw() const { return redraw_; }

    // Events. keyDown runs before the grid acts on the key; setting the code to 0 swallows it.
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void(Int16& keyCode, Int16 shift)> onKeyDown;
    std::function<void()> onRowColChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void moveCurrent(int row, int col);
    // The model shows the rectangle from the current cell to (rowSel, colSel).
    void highlightSelection();
    void applyCurrentToView();
    // While the grid has the keyboard its current row is marked plainly; otherwise a found row is.
    void showMark();
    // Hidden columns are stood in for by the next visible one when talking to the view.
    int firstVisibleColumn(int from) const;
    int pixels(int twips) const;
    int twips(int pixels) const;

    std::unique_ptr<FlexGridModel> model_;
    int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
    int dataRowTwips_ = 240;
    int foundRow_ = 0;
    double scale_ = 1.0;
    bool redraw_ = true;
    bool syncingView_ = false;
};
