// The cells of one grid column below the title row, stored by what they hold: numbers as
// numbers, texts end to end in one buffer, a few texts repeated on many rows once each.
// A cell's text is made when it is asked for (when the view paints it).
#pragma once

#include <QHash>
#include <QString>

#include <vector>

class GridColumn {
public:
    // Cells written one at a time (setText), as the classic grid holds them.
    GridColumn() = default;
    // Whole numbers; zeroIsEmpty shows 0 as an empty cell.
    static GridColumn numbers(bool zeroIsEmpty);
    // Texts, mostly different from row to row.
    static GridColumn texts();
    // Texts that repeat: each different one is held once.
    static GridColumn sharedTexts();

    qsizetype size() const { return size_; }
    void reserve(qsizetype rows);
    // Appends a row. A number appended to a text column is its text; an empty cell fits any column.
    void appendEmpty();
    void appendNumber(qint64 value);
    void appendText(QStringView text);

    // The cell's text; rows past the end are empty.
    QString text(qsizetype row) const;
    // Writes one cell; a column of another kind becomes one of separate cells first.
    void setText(qsizetype row, const QString& text);
    // Drops the rows from `rows` on; rows are never added by this.
    void truncate(qsizetype rows);

private:
    enum class Kind : quint8 { Cells, Numbers, Texts, Shared };
    explicit GridColumn(Kind kind) : kind_(kind) {}
    bool isEmpty(qsizetype row) const { return (empty_[size_t(row) / 64] >> (row % 64)) & 1; }
    void pushNumber(qint64 value, bool empty);
    quint32 share(QStringView text);
    void becomeCells();

    Kind kind_ = Kind::Cells;
    bool zeroIsEmpty_ = false;
    qsizetype size_ = 0;
    std::vector<quint64> empty_;   // Numbers: one bit a row, set for no value
    std::vector<QString> cells_;   // Cells
    std::vector<qint64> numbers_;  // Numbers
    QString buffer_;               // Texts: every row's text, end to end
    std::vector<quint32> ends_;    // Texts: where each row's text ends in buffer_
    std::vector<quint32> refs_;    // Shared: the row's text in shared_
    std::vector<QString> shared_;
    QHash<QString, quint32> sharedIndex_;
};
