// The flex grid's cells, in grid coordinates: row 0 is the title row, which the view shows as
// the header; the model's rows are the data rows 1 .. rows() - 1.
#pragma once

#include "screen/grid_column.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QRect>

#include <vector>

class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FlexGridModel(QObject* parent = nullptr);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    // Cells past the new end are dropped; new cells are empty.
    void resize(int rows, int cols);

    // A cell outside the grid throws std::out_of_range.
    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    int alignment(int row, int col) const;  // a classic number
    void setAlignment(int row, int col, int alignment);

    // Replaces every data row by one column of cells for each grid column, each column's cells
    // taking its alignment; the longest column decides the row count.
    void replaceDataRows(std::vector<GridColumn> columns, const std::vector<int>& alignments);
    // Empties every cell, the titles too; the shape and the alignments stay.
    void clearTexts();
    // The cells shown highlighted: x counts columns, y rows. A single cell shows none.
    void setHighlight(const QRect& cells);
    // A row shown in a colour of its own, under the highlight; 0 for none.
    void setMarkedRow(int row, const QColor& colour);
    int markedRow() const { return markedRow_; }

    // While quiet, changes are stored without a signal; ending the quiet announces them all as
    // one reset, so that a bulk load costs the view no per-cell work.
    void setQuiet(bool quiet);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void checkCell(int row, int col) const;
    bool highlighted(int row, int col) const;
    void reshape(int rows, int cols);
    void cellChanged(int row, int col);
    void rowsChanged(int top, int bottom);

    int rows_ = 0;
    int cols_ = 0;
    std::vector<QString> titles_;
    std::vector<quint8> titleAlignments_;
    std::vector<GridColumn> columns_;  // the data rows, column by column
    QRect highlight_{0, 0, 1, 1};
    int markedRow_ = 0;
    QColor markColour_;
    bool quiet_ = false;
};
