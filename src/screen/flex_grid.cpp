#include "screen/flex_grid.h"

#include "colours.h"
#include "flex_grid_model.h"
#include "platform/platform.h"
#include "screen/keys.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <stdexcept>

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

int FlexGrid::pixels(int twips) const { return qRound(twips / 15.0 * logicalDpiX() / 96.0 * scale_); }
int FlexGrid::twips(int px) const { return qRound(px * 15.0 * 96.0 / logicalDpiX() / scale_); }

void FlexGrid::setScale(double factor) {
    const double change = factor / scale_;
    scale_ = factor;
    for (int c = 0; c < cols(); ++c)
        if (!isColumnHidden(c)) setColumnWidth(c, qRound(columnWidth(c) * change));
    verticalHeader()->setDefaultSectionSize(pixels(dataRowTwips_));
    if (horizontalHeader()->minimumHeight() == horizontalHeader()->maximumHeight())
        horizontalHeader()->setFixedHeight(qRound(horizontalHeader()->height() * change));
}

int FlexGrid::rows() const { return model_->rows(); }
int FlexGrid::cols() const { return model_->cols(); }

void FlexGrid::setRows(int rows) {
    rows = std::max(rows, 1);
    if (rows == model_->rows()) return;
    model_->resize(rows, model_->cols());
    if (row_ >= rows) moveCurrent(rows - 1, col_);
}

void FlexGrid::setCols(int cols) {
    cols = std::max(cols, 1);
    if (cols == model_->cols()) return;
    model_->resize(model_->rows(), cols);
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
    highlightSelection();
}

void FlexGrid::setColSel(int col) {
    colSel_ = std::clamp(col, 0, cols() - 1);
    highlightSelection();
}

void FlexGrid::highlightSelection() {
    model_->setHighlight(QRect(QPoint(std::min(col_, colSel_), std::min(row_, rowSel_)),
                               QPoint(std::max(col_, colSel_), std::max(row_, rowSel_))));
}

void FlexGrid::moveCurrent(int row, int col) {
    const bool changed = row != row_ || col != col_;
    row_ = row;
    col_ = col;
    rowSel_ = row;
    colSel_ = col;
    highlightSelection();
    if (redraw_) applyCurrentToView();
    if (hasFocus()) showMark();
    if (changed && onRowColChange) onRowColChange();
}

void FlexGrid::showMark() {
    if (hasFocus()) model_->setMarkedRow(row_, classicColor(workarea.TextFocusColor));
    else model_->setMarkedRow(foundRow_, QColor(0xFF, 0xD8, 0x9C));  // a pale orange, unlike any selection
}

void FlexGrid::setMarkedRow(int row) {
    foundRow_ = row >= 1 && row < rows() ? row : 0;
    showMark();
    if (foundRow_ > 0) scrollTo(model_->index(foundRow_ - 1, firstVisibleColumn(0)), QAbstractItemView::EnsureVisible);
}

void FlexGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    showMark();
}

void FlexGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    showMark();
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

QString FlexGrid::textMatrix(int row, int col) const { return model_->text(row, col); }

void FlexGrid::setTextMatrix(int row, int col, const QString& text) { model_->setText(row, col, text); }

void FlexGrid::setDataColumns(std::vector<GridColumn> columns, const std::vector<int>& alignments) {
    model_->replaceDataRows(std::move(columns), alignments);
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

void FlexGrid::setCellAlignment(int alignment) { model_->setAlignment(row_, col_, alignment); }

void FlexGrid::clear() { model_->clearTexts(); }

void FlexGrid::refresh() { viewport()->update(); }

void FlexGrid::setRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    model_->setQuiet(!on);
    if (on) applyCurrentToView();
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
