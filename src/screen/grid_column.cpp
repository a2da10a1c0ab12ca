#include "screen/grid_column.h"

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

void GridColumn::reserve(qsizetype rows) {
    const size_t n = size_t(std::max<qsizetype>(rows, 0));
    switch (kind_) {
    case Kind::Cells: cells_.reserve(n); break;
    case Kind::Numbers:
        numbers_.reserve(n);
        empty_.reserve((n + 63) / 64);
        break;
    case Kind::Texts: ends_.reserve(n); break;
    case Kind::Shared: refs_.reserve(n); break;
    }
}

void GridColumn::pushNumber(qint64 value, bool empty) {
    const size_t row = size_t(size_);
    if (row / 64 >= empty_.size()) empty_.push_back(0);
    const quint64 bit = quint64(1) << (row % 64);
    if (empty) empty_[row / 64] |= bit;
    else empty_[row / 64] &= ~bit;
    numbers_.push_back(value);
    ++size_;
}

void GridColumn::appendEmpty() {
    if (kind_ == Kind::Numbers) {
        pushNumber(0, true);
        return;
    }
    appendText(QStringView());
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
    case Kind::Shared: refs_.push_back(share(text)); break;
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

QString GridColumn::text(qsizetype row) const {
    if (row < 0 || row >= size_) return QString();
    const size_t r = size_t(row);
    switch (kind_) {
    case Kind::Cells: return cells_[r];
    case Kind::Numbers:
        if (isEmpty(row) || (zeroIsEmpty_ && numbers_[r] == 0)) return QString();
        return QString::number(numbers_[r]);
    case Kind::Texts: {
        const quint32 begin = r == 0 ? 0 : ends_[r - 1];
        return QString(buffer_.constData() + begin, qsizetype(ends_[r] - begin));
    }
    case Kind::Shared: return shared_[refs_[r]];
    }
    return QString();
}

void GridColumn::becomeCells() {
    if (kind_ == Kind::Cells) return;
    std::vector<QString> cells;
    cells.reserve(size_t(size_));
    for (qsizetype r = 0; r < size_; ++r) cells.push_back(text(r));
    *this = GridColumn();
    size_ = qsizetype(cells.size());
    cells_ = std::move(cells);
}

void GridColumn::setText(qsizetype row, const QString& text) {
    becomeCells();
    if (row >= size_) {
        cells_.resize(size_t(row) + 1);
        size_ = row + 1;
    }
    cells_[size_t(row)] = text;
}

void GridColumn::truncate(qsizetype rows) {
    if (rows >= size_) return;
    const size_t n = size_t(std::max<qsizetype>(rows, 0));
    switch (kind_) {
    case Kind::Cells: cells_.resize(n); break;
    case Kind::Numbers:
        numbers_.resize(n);
        empty_.resize((n + 63) / 64);
        break;
    case Kind::Texts:
        ends_.resize(n);
        buffer_.truncate(n == 0 ? 0 : qsizetype(ends_.back()));
        break;
    case Kind::Shared: refs_.resize(n); break;
    }
    size_ = qsizetype(n);
}
