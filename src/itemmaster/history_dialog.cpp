// The history screen of one item, and bringing an earlier version back into the entry fields.
#include "itemmaster/history_dialog.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimeZone>
#include <QVBoxLayout>

using namespace platform;

namespace {

QPointer<HistoryDialog> shown;

bool isHead() { return inScreenMode(ScreenMode::Head); }

enum Column { When, Action, Operator, Workstation, Name, Attribute, Length, Decimal, Writer, ColumnCount };
const char* const titles[] = {"日時", "操作", "担当者", "端末", "項目名", "属性", "長さ", "小数部長さ", "記録元"};

// A length as the list shows it: 0 is empty.
QString shownLength(const QString& stored) {
    bool isNumber = false;
    const qlonglong n = trimSpaces(stored).toLongLong(&isNumber);
    return isNumber ? (n == 0 ? QString() : QString::number(n)) : trimSpaces(stored);
}

QString shownValue(const QStringList& values, int i) {
    const QString value = values.value(i);
    return i >= 2 ? shownLength(value) : trimSpaces(value);
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// The key the history is asked for: the opened item's, the new item's number, or the search field's.
QString historyKey() {
    const F_R205730* f = itemScreen();
    if (isHead()) return trimSpaces(f->Kensaku->text());
    if (screenState().openedItem.stored) return screenState().openedItem.key;
    return trimSpaces(f->Koumoku->text());
}

bool isItemNumber(const QString& text) {
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    return ok && n >= 0 && !text.startsWith(QLatin1Char('+'));
}

}  // namespace

HistoryDialog::HistoryDialog(const QString& key, std::vector<HistoryEntry> entries, QWidget* parent)
    : QDialog(parent), key_(key), entries_(std::move(entries)) {
    setWindowTitle(QStringLiteral("項目の履歴 - 項目No %1").arg(key));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* heading = new QLabel(QStringLiteral("項目No %1 の履歴（新しい順、%2 件）。変わった値は太字で示します")
                                   .arg(key)
                                   .arg(entries_.size()));
    table = new QTableWidget(int(entries_.size()), ColumnCount);
    QStringList headers;
    for (const char* t : titles) headers.append(QString::fromUtf8(t));
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QTimeZone local = QTimeZone::systemTimeZone();
    for (int r = 0; r < int(entries_.size()); ++r) {
        const HistoryEntry& e = entries_[size_t(r)];
        table->setItem(r, When, cell(e.recorded.toTimeZone(local).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))));
        table->setItem(r, Action, cell(actionName(e.action)));
        table->setItem(r, Operator, cell(e.operatorCode));
        table->setItem(r, Workstation, cell(e.workstation));
        table->setItem(r, Writer, cell(e.writer));
        const QStringList version = versionOf(e);
        for (int i = 0; i < 4; ++i) {
            QTableWidgetItem* item = cell(shownValue(version, i));
            if (e.action == HistoryAction::Deleted) {
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            } else if (e.action == HistoryAction::Changed && shownValue(e.before, i) != shownValue(e.after, i)) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(QColor(0xFF, 0xF2, 0xB3));
                item->setToolTip(QStringLiteral("変更前: %1").arg(shownValue(e.before, i)));
            }
            table->setItem(r, Name + i, item);
        }
    }
    // Sized from the newest rows: measuring every cell of a long history would keep the screen waiting.
    table->horizontalHeader()->setResizeContentsPrecision(100);
    table->resizeColumnsToContents();
    if (!entries_.empty()) table->selectRow(0);

    bringBack = new QPushButton(QStringLiteral("この内容を入力欄へ(&R)"));
    closeButton = new QPushButton(QStringLiteral("閉じる"));
    bringBack->setEnabled(!entries_.empty());
    connect(bringBack, &QPushButton::clicked, this, [this] { runHandler([this] { takeChosen(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(table, &QTableWidget::cellDoubleClicked, this, [this] { runHandler([this] { takeChosen(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bringBack);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(table);
    layout->addLayout(buttons);
    resize(640, 360);
    table->setFocus(Qt::OtherFocusReason);
}

QStringList HistoryDialog::versionOf(const HistoryEntry& entry) {
    return entry.action == HistoryAction::Deleted ? entry.before : entry.after;
}

void HistoryDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (bringBack->isEnabled()) runHandler([this] { takeChosen(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void HistoryDialog::done(int result) {
    QDialog::done(result);
    // The screen takes the keyboard back at once, also where no window manager hands it back.
    if (QWidget* screen = parentWidget()) screen->activateWindow();
}

void HistoryDialog::takeChosen() {
    const int row = table->currentRow();
    if (row < 0 || row >= int(entries_.size())) return;
    const QString key = key_;
    const QStringList version = versionOf(entries_[size_t(row)]);
    accept();
    bringBackVersion(key, version);
}

HistoryDialog* shownHistory() { return shown; }

void showItemHistory() {
    if (shown) return;
    const QString key = historyKey();
    if (!isItemNumber(key)) {
        msgBox(QStringLiteral("履歴を見る項目の項目Noを入力してください"), vbOKOnly | vbExclamation);
        return;
    }
    if (!historyKept()) {
        msgBox(QStringLiteral("このデータベースには履歴の表がないため、履歴は記録されていません"), vbOKOnly | vbExclamation);
        return;
    }
    std::vector<HistoryEntry> entries = readHistory(key);
    if (entries.empty()) {
        msgBox(QStringLiteral("項目No %1 の履歴はありません").arg(key), vbOKOnly | vbInformation);
        return;
    }
    shown = new HistoryDialog(key, std::move(entries), itemScreen());
    shown->open();
}

void bringBackVersion(const QString& key, const QStringList& version) {
    F_R205730* f = itemScreen();
    QStringList values{key};
    for (int i = 0; i < 4; ++i) values.append(shownValue(version, i));
    if (!fitsEntryFields(values)) {
        refuseUnfitItem(values);
        return;
    }
    const bool openedHere = !isHead() && screenState().openedItem.stored && screenState().openedItem.key == key;
    if (!openedHere) {
        if (!isHead()) leaveEntry();
        // The item as a search opens it; where it is no longer stored, a new item of that number.
        // The list may be older than the table: the search then says why it cannot open the item.
        if (listRowOfNumber(f->GRID, key) <= screenState().listRowCount) {
            f->Kensaku->setText(key);
            searchItem();
            if (isHead() || !screenState().openedItem.stored || screenState().openedItem.key != key) return;  // told why
        } else {
            if (!isHead()) returnToHead();
            runCommand(Command::Add);
            f->Koumoku->setText(key);
            if (checkItemNumber() == CheckResult::Stop) return;
        }
    }
    showInEntryFields(values);
    f->lbl_zokusei->setCaption(lookupClassName(QStringLiteral("属性"), trimSpaces(f->Zokusei->text())));
    applyDecimalRule();
    f->Koumoku_NM->setFocus(Qt::OtherFocusReason);
    showNote(QStringLiteral("履歴の内容を入力欄に入れました（未保存）"));
}
