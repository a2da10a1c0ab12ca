#include "screen/flex_grid.h"

#include "platform/platform.h"
#include "screen/keys.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPalette>
#include <QScrollBar>

#include <limits>
#include <stdexcept>
#include <vector>

// The title row's cells, then the data rows column by column; row 0 is the header, the
// model's rows are the data rows.
class FlexGridModel : public QAbstractTableModel {
public:
    int rows = 2;
    int cols = 2;
    std::vector<QString> titles = std::vector<QString>(2);
    std::vector<quint8> titleAlignments = std::vector<quint8>(2, FlexGrid::LeftCenter);
    std::vector<GridColumn> columns = std::vector<GridColumn>(2);
    // Highlighted rectangle, in grid coordinates.
    int selTop = 0, selBottom = 0, selLeft = 0, selRight = 0;
    bool notify = true;

    QString cell(int r, int c) const { return r == 0 ? titles[size_t(c)] : columns[size_t(c)].text(r - 1); }
    int alignment(int r, int c) const {
        return r == 0 ? titleAlignments[size_t(c)] : columns[size_t(c)].alignment(r - 1);
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows - 1; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cols; }

    QVariant data(const QModelIndex& index, int role) const override {
        const int r = index.row() + 1;
        const int c = index.column();
        switch (role) {
        case Qt::DisplayRole: return cell(r, c);
        case Qt::TextAlignmentRole: return int(toQt(alignment(r, c)));
        case Qt::BackgroundRole:
            if (highlighted(r, c)) return QApplication::palette().color(QPalette::Highlight);
            return {};
        case Qt::ForegroundRole:
            if (highlighted(r, c)) return QApplication::palette().color(QPalette::HighlightedText);
            return {};
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= cols) return {};
        if (role == Qt::DisplayRole) return titles[size_t(section)];
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex&) const override { return Qt::ItemIsEnabled | Qt::ItemIsSelectable; }

    bool highlighted(int r, int c) const {
        // A selection of the current cell alone shows no highlight.
        if (selTop == selBottom && selLeft == selRight) return false;
        return r >= selTop && r <= selBottom && c >= selLeft && c <= selRight;
    }

    static Qt::Alignment toQt(int classic) {
        const int h = classic / 3;  // 0 left, 1 centre, 2 right
        const int v = classic % 3;  // 0 top, 1 centre, 2 bottom
        Qt::Alignment a = h == 0 ? Qt::AlignLeft : h == 1 ? Qt::AlignHCenter : Qt::AlignRight;
        a |= v == 0 ? Qt::AlignTop : v == 1 ? Qt::AlignVCenter : Qt::AlignBottom;
        return a;
    }

    void reshape(int newRows, int newCols) {
        titles.resize(size_t(newCols));
        titleAlignments.resize(size_t(newCols), FlexGrid::LeftCenter);
        columns.resize(size_t(newCols));
        for (GridColumn& column : columns) column.truncate(newRows - 1);
        rows = newRows;
        cols = newCols;
    }

    void replaceDataRows(std::vector<GridColumn> data, int newRows, const std::vector<int>& columnAlignments) {
        if (notify) beginResetModel();
        for (size_t c = 0; c < data.size(); ++c) {
            data[c].squeeze();
            data[c].setAlignmentOfRows(newRows - 1, std::clamp(columnAlignments[c], 0, 8));
        }
        columns = std::move(data);
        rows = newRows;
        if (notify) endResetModel();
    }

    void resize(int newRows, int newCols) {
        if (!notify) {
            reshape(newRows, newCols);
            return;
        }
        if (newCols != cols) {
            beginResetModel();
            reshape(newRows, newCols);
            endResetModel();
        } else if (newRows > rows) {
            beginInsertRows({}, rows - 1, newRows - 2);
            reshape(newRows, newCols);
            endInsertRows();
        } else if (newRows < rows) {
            beginRemoveRows({}, newRows - 1, rows - 2);
            reshape(newRows, newCols);
            endRemoveRows();
        }
    }

    void cellChanged(int r, int c) {
        if (!notify) return;
        if (r == 0) emit headerDataChanged(Qt::Horizontal, c, c);
        else emit dataChanged(index(r - 1, c), index(r - 1, c));
    }

    void rowsChanged(int top, int bottom) {
        if (!notify || rows < 2) return;
        top = std::max(top, 1);
        bottom = std::min(bottom, rows - 1);
        if (top <= bottom) emit dataChanged(index(top - 1, 0), index(bottom - 1, cols - 1));
    }

    void setSelection(int top, int bottom, int left, int right) {
        const int oldTop = selTop, oldBottom = selBottom;
        selTop = top;
        selBottom = bottom;
        selLeft = left;
        selRight = right;
        rowsChanged(oldTop, oldBottom);
        rowsChanged(top, bottom);
    }

    void resetAll() {
        beginResetModel();
        endResetModel();
    }
};

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(std::make_unique<FlexGridModel>()) {
    setModel(model_.get());
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(pixels(dataRowTwips_));
}

FlexGrid::~FlexGrid() { setModel(nullptr); }

int FlexGrid::pixels(int twips) const { return qRound(twips / 15.0 * logicalDpiX() / 96.0); }
int FlexGrid::twips(int px) const { return qRound(px * 15.0 * 96.0 / logicalDpiX()); }

int FlexGrid::rows() const { return model_->rows; }
int FlexGrid::cols() const { return model_->cols; }

void FlexGrid::setRows(int rows) {
    rows = std::max(rows, 1);
    if (rows == model_->rows) return;
    model_->resize(rows, model_->cols);
    if (row_ >= rows) moveCurrent(rows - 1, col_);
}

void FlexGrid::setCols(int cols) {
    cols = std::max(cols, 1);
    if (cols == model_->cols) return;
    model_->resize(model_->rows, cols);
    if (col_ >= cols) moveCurrent(row_, cols - 1);
}

void FlexGrid::setRow(int row) {
    if (row < 0 || row >= rows()) throw std::out_of_range("grid row out of range");
    moveCurrent(row, col_);
}

void FlexGrid::setCol(int col) {
    if (col < 0 || col >= cols()) throw std::out_of_range("grid column out of range");
    moveCurrent(row_, col);
}

void FlexGrid::setRowSel(int row) {
    rowSel_ = std::clamp(row, 0, rows() - 1);
    model_->setSelection(std::min(row_, rowSel_), std::max(row_, rowSel_), std::min(col_, colSel_),
                         std::max(col_, colSel_));
}

void FlexGrid::setColSel(int col) {
    colSel_ = std::clamp(col, 0, cols() - 1);
    model_->setSelection(std::min(row_, rowSel_), std::max(row_, rowSel_), std::min(col_, colSel_),
                         std::max(col_, colSel_));
}

void FlexGrid::moveCurrent(int row, int col) {
    const bool changed = row != row_ || col != col_;
    row_ = row;
    col_ = col;
    rowSel_ = row;
    colSel_ = col;
    model_->setSelection(row, row, col, col);
    if (redraw_) applyCurrentToView();
    if (changed && onRowColChange) onRowColChange();
}

void FlexGrid::applyCurrentToView() {
    if (row_ < 1 || rows() < 2) return;
    // The hidden column 0 is shown to the view as the first visible column. Moving the
    // current row from code does not scroll: only the top row does, as in the classic grid.
    // (A hidden view would otherwise scroll to the current row when it is first shown.)
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    syncingView_ = true;
    setCurrentIndex(model_->index(row_ - 1, firstVisibleColumn(col_)));
    syncingView_ = false;
    setAutoScroll(scrolls);
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (syncingView_ || !current.isValid()) return;
    // Up and Down keep the column, also the hidden one.
    const int col = previous.isValid() && previous.column() == current.column() ? col_ : current.column();
    platform::runHandler([&] { moveCurrent(current.row() + 1, col); });
}

int FlexGrid::firstVisibleColumn(int from) const {
    int c = from;
    while (c < cols() - 1 && isColumnHidden(c)) ++c;
    return c;
}

int FlexGrid::topRow() const {
    const int r = rowAt(0);
    return r < 0 ? 1 : r + 1;
}

void FlexGrid::setTopRow(int row) {
    if (row < 1 || row >= rows()) return;
    scrollTo(model_->index(row - 1, firstVisibleColumn(0)), QAbstractItemView::PositionAtTop);
}

QString FlexGrid::textMatrix(int row, int col) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols()) throw std::out_of_range("grid cell out of range");
    return model_->cell(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    if (row < 0 || row >= rows() || col < 0 || col >= cols()) throw std::out_of_range("grid cell out of range");
    if (row == 0) model_->titles[size_t(col)] = text;
    else model_->columns[size_t(col)].setText(row - 1, text);
    model_->cellChanged(row, col);
}

void FlexGrid::setDataColumns(std::vector<GridColumn> columns, const std::vector<int>& alignments) {
    if (int(columns.size()) != cols() || int(alignments.size()) != cols())
        throw std::invalid_argument("one column of cells and one alignment for each grid column");
    qsizetype n = 0;
    for (const GridColumn& c : columns) n = std::max(n, c.size());
    if (n >= std::numeric_limits<int>::max()) throw std::length_error("more grid rows than an int counts");
    model_->replaceDataRows(std::move(columns), int(n) + 1, alignments);
    if (row_ >= rows()) moveCurrent(rows() - 1, col_);
}

int FlexGrid::colWidth(int col) const { return isColumnHidden(col) ? 0 : twips(columnWidth(col)); }

void FlexGrid::setColWidth(int col, int twipsWidth) {
    if (col < 0 || col >= cols()) throw std::out_of_range("grid column out of range");
    setColumnHidden(col, twipsWidth <= 0);
    if (twipsWidth > 0) setColumnWidth(col, pixels(twipsWidth));
}

int FlexGrid::rowHeight(int row) const {
    return row == 0 ? twips(horizontalHeader()->height()) : dataRowTwips_;
}

void FlexGrid::setRowHeight(int row, int twipsHeight) {
    if (row < 0 || row >= rows()) throw std::out_of_range("grid row out of range");
    if (row == 0) {
        horizontalHeader()->setFixedHeight(pixels(twipsHeight));
        return;
    }
    if (twipsHeight == dataRowTwips_) return;
    dataRowTwips_ = twipsHeight;
    verticalHeader()->setDefaultSectionSize(pixels(twipsHeight));
}

int FlexGrid::cellAlignment() const { return model_->alignment(row_, col_); }

void FlexGrid::setCellAlignment(int alignment) {
    alignment = std::clamp(alignment, 0, 8);
    if (row_ == 0) model_->titleAlignments[size_t(col_)] = quint8(alignment);
    else model_->columns[size_t(col_)].setAlignment(row_ - 1, alignment);
    model_->cellChanged(row_, col_);
}

void FlexGrid::clear() {
    for (QString& s : model_->titles) s.clear();
    for (GridColumn& c : model_->columns) c.clearTexts();
    if (model_->notify) {
        emit model_->headerDataChanged(Qt::Horizontal, 0, cols() - 1);
        model_->rowsChanged(1, rows() - 1);
    }
}

void FlexGrid::refresh() { viewport()->update(); }

void FlexGrid::setRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    model_->notify = on;
    if (on) {
        model_->resetAll();
        applyCurrentToView();
    }
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
    Int16 code = classicKeyCode(event);
    platform::runHandler([&] {
        if (onKeyDown) onKeyDown(code, classicShift(event));
    });
    if (code == 0) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (onClick) platform::runHandler(onClick);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (onDblClick) platform::runHandler(onDblClick);
}
