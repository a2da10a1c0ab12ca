// The cells of one grid column below the title row, stored by what they hold: numbers as
// numbers, texts end to end in one buffer, a few texts repeated on many rows once each.
// A cell's text is made when it is asked for (when the view paints it).
#pragma once

#include <QHash>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

// A growing array of plain values kept with realloc: a large one grows where it lies instead
// of being copied into fresh memory, and every fresh page costs a fault.
template <typename T>
class PlainArray {
public:
    PlainArray() = default;
    PlainArray(PlainArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    PlainArray& operator=(PlainArray&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }
    PlainArray(const PlainArray&) = delete;
    PlainArray& operator=(const PlainArray&) = delete;
    ~PlainArray() { std::free(data_); }

    qsizetype size() const { return size_; }
    T operator[](qsizetype i) const { return data_[i]; }
    T& operator[](qsizetype i) { return data_[i]; }
    const T* data() const { return data_; }
    void push_back(T value) { *extend(1) = value; }
    // Adds n values, not yet written.
    T* extend(qsizetype n) {
        if (size_ + n > capacity_) reallocate(std::max(size_ + n, capacity_ < 64 ? 64 : capacity_ * 2));
        size_ += n;
        return data_ + size_ - n;
    }
    void reserve(qsizetype n) {
        if (n > capacity_) reallocate(n);
    }
    void truncate(qsizetype n) { size_ = std::min(size_, n); }
    void squeeze() {
        if (capacity_ > size_) reallocate(size_);
    }

private:
    void reallocate(qsizetype n) {
        if (n == 0) {
            std::free(std::exchange(data_, nullptr));
            capacity_ = 0;
            return;
        }
        void* moved = std::realloc(data_, size_t(n) * sizeof(T));
        if (!moved) throw std::bad_alloc();
        data_ = static_cast<T*>(moved);
        capacity_ = n;
    }

    T* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype capacity_ = 0;
};

class GridColumn {
public:
    // Cells written one at a time (setText), as the classic grid holds them.
    GridColumn() = default;
    GridColumn(GridColumn&&) noexcept = default;
    GridColumn& operator=(GridColumn&&) noexcept = default;
    // Whole numbers; zeroIsEmpty shows 0 as an empty cell.
    static GridColumn numbers(bool zeroIsEmpty);
    // Texts, mostly different from row to row.
    static GridColumn texts();
    // Texts that repeat: each different one is held once.
    static GridColumn sharedTexts();

    qsizetype size() const { return size_; }
    // Appends a row. A number appended to a text column is its text; an empty cell fits any column.
    void appendEmpty();
    void appendNumber(qint64 value);
    void appendText(QStringView text);
    // Gives back what the appending held in reserve.
    void squeeze();

    // The cell's text; rows past the end are empty.
    QString text(qsizetype row) const;
    // Writes one cell; a column of another kind becomes one of separate cells first.
    void setText(qsizetype row, const QString& text);
    // Drops the rows from `rows` on, their alignments too; rows are never added by this.
    void truncate(qsizetype rows);
    // Empties every cell; the alignments stay.
    void clearTexts();

    // Alignment (a classic number) of a cell in any row, also past the end of the cells: left
    // and centred unless set.
    int alignment(qsizetype row) const;
    void setAlignment(qsizetype row, int alignment);
    // The alignment of rows 0 .. rows - 1, and of no other.
    void setAlignmentOfRows(qsizetype rows, int alignment);

private:
    enum class Kind : quint8 { Cells, Numbers, Texts, Shared };
    static constexpr quint8 leftCentre = 1;
    explicit GridColumn(Kind kind) : kind_(kind) {}
    bool isEmpty(qsizetype row) const { return (empty_[row / 64] >> (row % 64)) & 1; }
    qint64 numberAt(qsizetype row) const;
    void pushNumber(qint64 value, bool empty);
    quint32 shareAt(qsizetype row) const { return manyShared_ ? refs_[row] : fewRefs_[row]; }
    quint32 share(QStringView text);
    void becomeCells();
    GridColumn emptyWithAlignments();

    Kind kind_ = Kind::Cells;
    bool zeroIsEmpty_ = false;
    quint8 numberBytes_ = 1;   // each number takes 1, 2, 4 or 8 bytes: as many as the largest needs
    bool manyShared_ = false;  // more than 256 different texts
    qsizetype size_ = 0;
    std::vector<QString> cells_;          // Cells
    PlainArray<char> numbers_;            // Numbers, numberBytes_ bytes each
    PlainArray<quint64> empty_;           // Numbers: one bit a row, set for no value
    QString buffer_;                      // Texts: every row's text, end to end
    PlainArray<quint32> ends_;            // Texts: where each row's text ends in buffer_
    PlainArray<quint8> fewRefs_;          // Shared, up to 256 texts: the row's text in shared_
    PlainArray<quint32> refs_;            // Shared, beyond
    std::vector<QString> shared_;
    QHash<QString, quint32> sharedIndex_;
    quint8 alignment_ = leftCentre;       // of rows 0 .. alignedRows_ - 1
    qsizetype alignedRows_ = 0;
    PlainArray<quint8> alignments_;       // once rows differ: one a row
};
