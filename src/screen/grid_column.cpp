#include "screen/grid_column.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {
// Up to this many different texts a shared column is searched in turn; beyond, by hash.
constexpr size_t fewShared = 16;
}  // namespace

GridColumn GridColumn::numbers(bool zeroIsEmpty) {
    GridColumn c(Kind::Numbers);
    c.zeroIsEmpty_ = zeroIsEmpty;
    return c;
}

GridColumn GridColumn::texts() { return GridColumn(Kind::Texts); }
GridColumn GridColumn::sharedTexts() { return GridColumn(Kind::Shared); }

namespace {

quint8 bytesFor(qint64 value) {
    if (value == qint8(value)) return 1;
    if (value == qint16(value)) return 2;
    if (value == qint32(value)) return 4;
    return 8;
}

qint64 readNumber(const char* at, quint8 bytes) {
    switch (bytes) {
    case 1: return qint8(*at);
    case 2: { qint16 v; std::memcpy(&v, at, 2); return v; }
    case 4: { qint32 v; std::memcpy(&v, at, 4); return v; }
    default: { qint64 v; std::memcpy(&v, at, 8); return v; }
    }
}

void writeNumber(char* at, quint8 bytes, qint64 value) {
    switch (bytes) {
    case 1: *at = char(qint8(value)); break;
    case 2: { const qint16 v = qint16(value); std::memcpy(at, &v, 2); break; }
    case 4: { const qint32 v = qint32(value); std::memcpy(at, &v, 4); break; }
    default: std::memcpy(at, &value, 8); break;
    }
}

}  // namespace

qint64 GridColumn::numberAt(qsizetype row) const {
    return readNumber(numbers_.data() + row * numberBytes_, numberBytes_);
}

void GridColumn::pushNumber(qint64 value, bool empty) {
    const qsizetype row = size_;
    if (row % 64 == 0) empty_.push_back(0);
    if (empty) empty_[row / 64] |= quint64(1) << (row % 64);
    const quint8 needed = bytesFor(value);
    if (needed > numberBytes_) {
        // Wider from here on: the numbers so far are written again at the new width.
        PlainArray<char> wider;
        wider.reserve(std::max<qsizetype>(row + 1, 64) * needed);
        for (qsizetype r = 0; r < row; ++r) writeNumber(wider.extend(needed), needed, numberAt(r));
        numbers_ = std::move(wider);
        numberBytes_ = needed;
    }
    writeNumber(numbers_.extend(numberBytes_), numberBytes_, value);
    ++size_;
}

void GridColumn::appendEmpty() {
    if (kind_ == Kind::Numbers) pushNumber(0, true);
    else appendText(QStringView());
}

void GridColumn::appendNumber(qint64 value) {
    if (kind_ == Kind::Numbers) pushNumber(value, false);
    else appendText(QString::number(value));
}

void GridColumn::appendText(QStringView text) {
    switch (kind_) {
    case Kind::Numbers:
        becomeCells();
        [[fallthrough]];
    case Kind::Cells: cells_.push_back(text.toString()); break;
    case Kind::Texts:
        if (quint64(buffer_.size()) + quint64(text.size()) > std::numeric_limits<quint32>::max())
            throw std::length_error("grid column text beyond 4 G characters");
        buffer_.append(text);
        ends_.push_back(quint32(buffer_.size()));
        break;
    case Kind::Shared: {
        const quint32 ref = share(text);
        if (!manyShared_ && ref > 255) {
            manyShared_ = true;
            refs_.reserve(size_ + 1);
            for (qsizetype r = 0; r < size_; ++r) refs_.push_back(fewRefs_[r]);
            fewRefs_ = PlainArray<quint8>();
        }
        if (manyShared_) refs_.push_back(ref);
        else fewRefs_.push_back(quint8(ref));
        break;
    }
    }
    ++size_;
}

quint32 GridColumn::share(QStringView text) {
    const size_t n = shared_.size();
    if (n <= fewShared) {
        for (size_t i = 0; i < n; ++i)
            if (shared_[i] == text) return quint32(i);
        if (n < fewShared) {
            shared_.push_back(text.toString());
            return quint32(n);
        }
        for (size_t i = 0; i < n; ++i) sharedIndex_.insert(shared_[i], quint32(i));
    }
    QString key = text.toString();
    const auto it = sharedIndex_.constFind(key);
    if (it != sharedIndex_.constEnd()) return it.value();
    sharedIndex_.insert(key, quint32(n));
    shared_.push_back(std::move(key));
    return quint32(n);
}

void GridColumn::squeeze() {
    numbers_.squeeze();
    empty_.squeeze();
    buffer_.squeeze();
    ends_.squeeze();
    fewRefs_.squeeze();
    refs_.squeeze();
    alignments_.squeeze();
    sharedIndex_ = QHash<QString, quint32>();  // looked up only while appending
}

QString GridColumn::text(qsizetype row) const {
    if (row < 0 || row >= size_) return QString();
    switch (kind_) {
    case Kind::Cells: return cells_[size_t(row)];
    case Kind::Numbers:
        if (isEmpty(row) || (zeroIsEmpty_ && numberAt(row) == 0)) return QString();
        return QString::number(numberAt(row));
    case Kind::Texts: {
        const quint32 begin = row == 0 ? 0 : ends_[row - 1];
        return QString(buffer_.constData() + begin, qsizetype(ends_[row] - begin));
    }
    case Kind::Shared: return shared_[shareAt(row)];
    }
    return QString();
}

GridColumn GridColumn::emptyWithAlignments() {
    GridColumn plain;
    plain.alignment_ = alignment_;
    plain.alignedRows_ = alignedRows_;
    plain.alignments_ = std::move(alignments_);
    return plain;
}

void GridColumn::becomeCells() {
    if (kind_ == Kind::Cells) return;
    std::vector<QString> cells;
    cells.reserve(size_t(size_));
    for (qsizetype r = 0; r < size_; ++r) cells.push_back(text(r));
    GridColumn plain = emptyWithAlignments();
    plain.size_ = size_;
    plain.cells_ = std::move(cells);
    *this = std::move(plain);
}

void GridColumn::clearTexts() { *this = emptyWithAlignments(); }

void GridColumn::setText(qsizetype row, const QString& text) {
    becomeCells();
    if (row >= size_) {
        cells_.resize(size_t(row) + 1);
        size_ = row + 1;
    }
    cells_[size_t(row)] = text;
}

void GridColumn::truncate(qsizetype rows) {
    rows = std::max<qsizetype>(rows, 0);
    alignments_.truncate(rows);
    alignedRows_ = std::min(alignedRows_, rows);
    if (rows >= size_) return;
    switch (kind_) {
    case Kind::Cells: cells_.resize(size_t(rows)); break;
    case Kind::Numbers:
        numbers_.truncate(rows * numberBytes_);
        empty_.truncate((rows + 63) / 64);
        // The bits past the end are set again by the rows appended next.
        if (rows % 64) empty_[rows / 64] &= (quint64(1) << (rows % 64)) - 1;
        break;
    case Kind::Texts:
        ends_.truncate(rows);
        buffer_.truncate(rows == 0 ? 0 : qsizetype(ends_[rows - 1]));
        break;
    case Kind::Shared:
        fewRefs_.truncate(rows);
        refs_.truncate(rows);
        break;
    }
    size_ = rows;
}

int GridColumn::alignment(qsizetype row) const {
    if (alignments_.size() > 0) return row < alignments_.size() ? alignments_[row] : leftCentre;
    return row < alignedRows_ ? alignment_ : leftCentre;
}

void GridColumn::setAlignment(qsizetype row, int alignment) {
    const quint8 a = quint8(alignment);
    if (alignments_.size() == 0) {
        // Rows set in turn to one alignment stay one number.
        if (row < alignedRows_ && a == alignment_) return;
        if (row == alignedRows_ && (alignedRows_ == 0 || a == alignment_)) {
            alignment_ = a;
            ++alignedRows_;
            return;
        }
        alignments_.reserve(std::max(alignedRows_, row + 1));
        for (qsizetype r = 0; r < alignedRows_; ++r) alignments_.push_back(alignment_);
    }
    while (alignments_.size() <= row) alignments_.push_back(leftCentre);
    alignments_[row] = a;
}

void GridColumn::setAlignmentOfRows(qsizetype rows, int alignment) {
    alignments_ = PlainArray<quint8>();
    alignment_ = quint8(alignment);
    alignedRows_ = rows;
}
