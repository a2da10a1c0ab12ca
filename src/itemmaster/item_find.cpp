// Finding an item by its name: each keystroke marks the first item at or after the list's current
// row whose name holds the text, as an operator reads it (width, kana and case do not matter).
// The mark is for the eye only: the current row, and so the entry, stay as they are until the
// operator opens the marked item.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/platform.h"
#include "platform/text_match.h"

#include <algorithm>
#include <functional>

namespace {

FindState& find() { return screenState().find; }

// The list's names folded once a list; a list read again is folded again at the next find.
void foldNames() {
    FindState& s = find();
    if (s.listVersion == screenState().listVersion) return;
    const FlexGrid* grid = itemScreen()->GRID;
    const int nameColumn = int(ListColumn::ItemName);
    s.names.clear();
    s.ends.clear();
    s.ends.reserve(size_t(screenState().listRowCount));
    for (int r = 1; r <= screenState().listRowCount; ++r) {
        s.names += platform::foldForFinding(grid->textMatrix(r, nameColumn));
        s.names += QChar(0);
        s.ends.push_back(s.names.size());
    }
    s.listVersion = screenState().listVersion;
    s.needle.clear();
    s.matches.clear();
}

QStringView nameOf(const FindState& s, int row) {
    const qsizetype begin = row > 1 ? s.ends[size_t(row - 2)] : 0;
    return QStringView(s.names).sliced(begin, s.ends[size_t(row - 1)] - begin - 1);
}

// Every row whose name holds the needle. A needle that only adds to the last one keeps to the
// rows that held that one, as typing mostly does.
std::vector<int> rowsHolding(const FindState& s, const QString& needle) {
    std::vector<int> rows;
    // Past a few thousand rows one pass over all the names is quicker than a look at each of them.
    if (!s.needle.isEmpty() && needle.startsWith(s.needle) && s.matches.size() < 4096) {
        rows.reserve(s.matches.size());
        for (const int r : s.matches)
            if (nameOf(s, r).contains(needle)) rows.push_back(r);
        return rows;
    }
    const char16_t* begin = reinterpret_cast<const char16_t*>(s.names.constData());
    const char16_t* end = begin + s.names.size();
    const char16_t* n = reinterpret_cast<const char16_t*>(needle.constData());
    const std::boyer_moore_horspool_searcher searcher(n, n + needle.size());
    size_t row = 0;  // hits come in order: the row of each is found by walking on from the last
    for (const char16_t* at = begin; at < end;) {
        const char16_t* hit = std::search(at, end, searcher);
        if (hit == end) break;
        while (s.ends[row] <= hit - begin) ++row;
        rows.push_back(int(row) + 1);
        at = begin + s.ends[row];  // on past its end: a row counts once
    }
    return rows;
}

void showMarked() {
    F_R205730* f = itemScreen();
    const FindState& s = find();
    f->GRID->setMarkedRow(s.marked);
    const auto at = std::find(s.matches.begin(), s.matches.end(), s.marked);
    f->findCount->setText(s.needle.isEmpty() ? QString()
                                             : QStringLiteral("%1/%2")
                                                   .arg(at == s.matches.end() ? 0 : int(at - s.matches.begin()) + 1)
                                                   .arg(s.matches.size()));
}

}  // namespace

void startFind() {
    F_R205730* f = itemScreen();
    QWidget* from = QApplication::focusWidget();
    if (from != f->findField) find().returnTo = from;
    foldNames();
    f->findField->setFocus(Qt::ShortcutFocusReason);
    f->findField->selectAll();
    if (!f->findField->text().isEmpty()) findTextChanged();
}

void findTextChanged() {
    F_R205730* f = itemScreen();
    foldNames();
    FindState& s = find();
    const QString needle = platform::foldForFinding(f->findField->text());
    s.matches = needle.isEmpty() ? std::vector<int>() : rowsHolding(s, needle);
    s.needle = needle;
    // The first at or after the current row, or else the first of all.
    const int from = std::max(f->GRID->row(), 1);
    const auto at = std::lower_bound(s.matches.begin(), s.matches.end(), from);
    s.marked = s.matches.empty() ? 0 : at != s.matches.end() ? *at : s.matches.front();
    showMarked();
}

void findStep(int step) {
    FindState& s = find();
    if (s.matches.empty()) return;
    const auto n = qsizetype(s.matches.size());
    const auto at = std::find(s.matches.begin(), s.matches.end(), s.marked);
    const qsizetype i = at == s.matches.end() ? 0 : at - s.matches.begin();
    s.marked = s.matches[size_t(((i + step) % n + n) % n)];
    showMarked();
}

void openFound() {
    F_R205730* f = itemScreen();
    const int row = find().marked;
    if (row < 1 || row > screenState().listRowCount) return;
    leaveFind(false);
    // As a click on the row: the current row moves there, then the row is opened.
    f->GRID->setRow(row);
    openListRow();
    if (f->Koumoku_NM->isEnabled()) f->Koumoku_NM->setFocus(Qt::OtherFocusReason);
}

void leaveFind(bool giveFocusBack) {
    F_R205730* f = itemScreen();
    FindState& s = find();
    s.marked = 0;
    f->GRID->setMarkedRow(0);
    f->findCount->clear();
    if (!giveFocusBack) return;
    QWidget* back = s.returnTo;
    if (!back || !back->isEnabled() || !back->isVisible()) back = f->Kensaku->isEnabled() ? f->Kensaku : f->Koumoku_NM;
    back->setFocus(Qt::OtherFocusReason);
}
