// The item's columns: each entry field, and the attribute's name beside them, with its column in
// the list and its column in the statements. The one place that says which is which.
#pragma once

#include "itemmaster/item_screen.h"

#include <array>

// Columns of the list grid, with the design's numbers; column 0 is hidden.
enum class ListColumn {
    Hidden = 0,
    ItemNumber = 1,
    ItemName = 2,
    Attribute = 3,
    AttributeName = 4,
    Length = 5,
    DecimalLength = 6,
};
inline constexpr int lastListColumn = int(ListColumn::DecimalLength);

struct ItemColumn {
    ListColumn list;
    const char* statementColumn;    // its name in the statements
    InputField* F_R205730::*field;  // its entry field; none for the attribute's name (lbl_zokusei)
    bool isLength;                  // a length: 0 is listed as an empty cell, an empty field is stored as 0
    // The list's look of the column.
    const char* title;
    int width;  // twips
    FlexGrid::Alignment alignment;
    bool repeats;  // few different values on many rows: each held once

    constexpr int gridColumn() const { return int(list); }
    QString column() const { return QString::fromUtf8(statementColumn); }
    InputField* fieldOn(const F_R205730* form) const { return form->*field; }
};

// In list order.
inline constexpr ItemColumn itemColumns[] = {
    {ListColumn::ItemNumber, "項目No", &F_R205730::Koumoku, false, " 項目No ", 1000, FlexGrid::RightCenter, false},
    {ListColumn::ItemName, "データ項目名", &F_R205730::Koumoku_NM, false, " 項目名 ", 2500, FlexGrid::LeftCenter, false},
    {ListColumn::Attribute, "属性", &F_R205730::Zokusei, false, " 属性 ", 800, FlexGrid::LeftCenter, true},
    {ListColumn::AttributeName, "属性名", nullptr, false, " 属性名 ", 1600, FlexGrid::LeftCenter, true},
    {ListColumn::Length, "長さ", &F_R205730::Nagasa, true, " 長さ ", 800, FlexGrid::RightCenter, false},
    {ListColumn::DecimalLength, "小数部長さ", &F_R205730::Nagasa_S, true, " 小数部長さ ", 1500, FlexGrid::RightCenter, false},
};

constexpr bool inListOrder() {
    for (int i = 0; i < int(std::size(itemColumns)); ++i)
        if (itemColumns[i].gridColumn() != i + 1) return false;
    return std::size(itemColumns) == lastListColumn;
}
static_assert(inListOrder());

inline const ItemColumn& itemColumn(ListColumn list) { return itemColumns[int(list) - 1]; }

constexpr int entryColumnCount() {
    int n = 0;
    for (const ItemColumn& c : itemColumns) n += c.field != nullptr;
    return n;
}

constexpr std::array<const ItemColumn*, entryColumnCount()> entryColumnsInOrder() {
    std::array<const ItemColumn*, entryColumnCount()> entries{};
    size_t n = 0;
    for (const ItemColumn& c : itemColumns)
        if (c.field) entries[n++] = &c;
    return entries;
}

// The five entry columns, Koumoku to Nagasa_S, in entry order: the order of the entry values.
inline constexpr auto entryColumns = entryColumnsInOrder();
