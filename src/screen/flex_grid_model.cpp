#include "flex_grid_model.h"

#include "screen/flex_grid.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace {

Qt::Alignment toQt(int classic) {
    const int h = classic / 3;  // 0 left, 1 centre, 2 right
    const int v = classic % 3;  // 0 top, 1 centre, 2 bottom
    Qt::Alignment a = h == 0 ? Qt::AlignLeft : h == 1 ? Qt::AlignHCenter : Qt::AlignRight;
    a |= v == 0 ? Qt::AlignTop : v == 1 ? Qt::AlignVCenter : Qt::AlignBottom;
    return a;
}

// The classic numbers run from 0 (left top) to 8 (right bottom).
quint8 classicAlignment(int alignment) { return quint8(std::clamp(alignment, 0, 8)); }

}  // namespace

FlexGridModel::FlexGridModel(QObject* parent) : QAbstractTableModel(parent) { reshape(2, 2); }

void FlexGridModel::checkCell(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) throw std::out_of_range("grid cell out of range");
}

QString FlexGridModel::text(int row, int col) const {
    checkCell(row, col);
    return row == 0 ? titles_[size_t(col)] : columns_[size_t(col)].text(row - 1);
}

void FlexGridModel::setText(int row, int col, const QString& text) {
    checkCell(row, col);
    if (row == 0) titles_[size_t(col)] = text;
    else columns_[size_t(col)].setText(row - 1, text);
    cellChanged(row, col);
}

int FlexGridModel::alignment(int row, int col) const {
    checkCell(row, col);
    return row == 0 ? titleAlignments_[size_t(col)] : columns_[size_t(col)].alignment(row - 1);
}

void FlexGridModel::setAlignment(int row, int col, int alignment) {
    checkCell(row, col);
    if (row == 0) titleAlignments_[size_t(col)] = classicAlignment(alignment);
    else columns_[size_t(col)].setAlignment(row - 1, classicAlignment(alignment));
    cellChanged(row, col);
}

void FlexGridModel::reshape(int rows, int cols) {
    titles_.resize(size_t(cols));
    titleAlignments_.resize(size_t(cols), FlexGrid::LeftCenter);
    columns_.resize(size_t(cols));
    for (GridColumn& column : columns_) column.truncate(rows - 1);
    rows_ = rows;
    cols_ = cols;
}

void FlexGridModel::resize(int rows, int cols) {
    if (quiet_) {
        reshape(rows, cols);
    } else if (cols != cols_) {
        beginResetModel();
        reshape(rows, cols);
        endResetModel();
    } else if (rows > rows_) {
        beginInsertRows({}, rows_ - 1, rows - 2);
        reshape(rows, cols);
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows - 1, rows_ - 2);
        reshape(rows, cols);
        endRemoveRows();
    }
}

void FlexGridModel::replaceDataRows(std::vector<GridColumn> columns, const std::vector<int>& alignments) {
    if (int(columns.size()) != cols_ || int(alignments.size()) != cols_)
        throw std::invalid_argument("one column of cells and one alignment for each grid column");
    qsizetype n = 0;
    for (const GridColumn& c : columns) n = std::max(n, c.size());
    if (n >= std::numeric_limits<int>::max()) throw std::length_error("more grid rows than an int counts");
    if (!quiet_) beginResetModel();
    for (size_t c = 0; c < columns.size(); ++c) {
        columns[c].squeeze();
        columns[c].setAlignmentOfRows(n, classicAlignment(alignments[c]));
    }
    columns_ = std::move(columns);
    rows_ = int(n) + 1;
    if (!quiet_) endResetModel();
}

void FlexGridModel::clearTexts() {
    for (QString& s : titles_) s.clear();
    for (GridColumn& c : columns_) c.clearTexts();
    if (quiet_) return;
    emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    rowsChanged(1, rows_ - 1);
}

void FlexGridModel::setHighlight(const QRect& cells) {
    const QRect old = highlight_;
    highlight_ = cells;
    rowsChanged(old.top(), old.bottom());
    rowsChanged(cells.top(), cells.bottom());
}

void FlexGridModel::setMarkedRow(int row, const QColor& colour) {
    const int old = markedRow_;
    markedRow_ = row;
    markColour_ = colour;
    if (old > 0) rowsChanged(old, old);
    if (row > 0) rowsChanged(row, row);
}

bool FlexGridModel::highlighted(int row, int col) const {
    return highlight_.size() != QSize(1, 1) && highlight_.contains(col, row);
}

void FlexGridModel::setQuiet(bool quiet) {
    if (quiet == quiet_) return;
    quiet_ = quiet;
    if (quiet) return;
    beginResetModel();
    endResetModel();
}

void FlexGridModel::cellChanged(int row, int col) {
    if (quiet_) return;
    if (row == 0) emit headerDataChanged(Qt::Horizontal, col, col);
    else emit dataChanged(index(row - 1, col), index(row - 1, col));
}

void FlexGridModel::rowsChanged(int top, int bottom) {
    if (quiet_ || rows_ < 2) return;
    top = std::max(top, 1);
    bottom = std::min(bottom, rows_ - 1);
    if (top <= bottom) emit dataChanged(index(top - 1, 0), index(bottom - 1, cols_ - 1));
}

int FlexGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_ - 1; }
int FlexGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    const int row = index.row() + 1;
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole: return columns_[size_t(col)].text(row - 1);
    case Qt::TextAlignmentRole: return int(toQt(columns_[size_t(col)].alignment(row - 1)));
    case Qt::BackgroundRole:
        if (highlighted(row, col)) return QApplication::palette().color(QPalette::Highlight);
        if (row == markedRow_) return markColour_;
        return {};
    case Qt::ForegroundRole:
        if (highlighted(row, col)) return QApplication::palette().color(QPalette::HighlightedText);
        return {};
    default: return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= cols_) return {};
    if (role == Qt::DisplayRole) return titles_[size_t(section)];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex&) const { return Qt::ItemIsEnabled | Qt::ItemIsSelectable; }
