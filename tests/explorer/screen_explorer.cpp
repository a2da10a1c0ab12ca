// The screen explorer: random operator sessions on the real item screen (offscreen, over a real
// database through the real driver: SQLite, or PostgreSQL with R205730_TEST_ENGINE=postgresql),
// every key the screen handles, random answers to its questions, and another workstation changing,
// adding and deleting rows meanwhile. Its surroundings fail at random points, between steps and
// while a question is up (fault_injector.h): on SQLite another program holds the lock, the store
// is full, a backup is put back at the file's path; on PostgreSQL the program's connection is
// reset (also at the commit of a write, its answer lost, new connections refused a while) and the
// server restarts or stops for a few steps. After every step it checks against a shadow of the table:
//   - the table changes only when the operator answered Yes to the save question or OK to the
//     delete question, then only the item shown, to exactly the values the fields showed, and no
//     value the operator did not edit is written shortened or changed; a write that a fault kept
//     from being stored leaves the table as it was (a commit whose outcome was lost: as it was, or
//     exactly the write), never half of it, and the table cannot change while nothing can write;
//   - an item is shown only whole: the fields of an opened item hold a stored row's values;
//   - another workstation's change is never overwritten: the save or delete is refused with its
//     message exactly when the row is no longer what was shown (never without cause either);
//     while a fault keeps the row from being read, the write may instead be not stored;
//   - a confirmed entry that was not stored, and not refused for another workstation's change,
//     is still on screen: BODY, the five fields as confirmed; the next Yes after a lost outcome
//     finds its own write (no false conflict, on PostgreSQL no second write either);
//   - the program ends only after Yes to the exit question; no unhandled failure, no connection or
//     settings error, no question the operator did not ask for, every step returns in time (a
//     step a fault hit may wait out the lock time as well);
//   - no message blames the operator's data: "該当データがありませんでした" never for an attribute
//     code that 区分マスタ holds;
//   - a box names only the cause of the fault on (a lock: busy; a full store: full; the connection
//     or server: lost), and once the fault is over (lock released, room made, file put back,
//     server up again, reset done) no box carries a cause sentence: the next action works;
//   - after every re-read the list equals the table;
//   - the history holds exactly the program's writes: a write that changed the table has one row
//     with its action, item and values before and after; a write refused, not stored, or found
//     stored already (its commit's answer lost) has none; the other workstation's writes none.
//
//   screen_explorer [SECONDS=60] [--seed N] [--steps N] [--sessions N] [--step-limit MS] [--replay]
//                   [--trace]
//
// Prints the faults injected by kind, the tallies, and "sessions N, steps M, faults F,
// violations K" last; on a violation exits 1 with the seed that replays it (on the same engine).
// --replay runs the fixed seeds the suite uses. On PostgreSQL it needs the test server's
// R205730_PG_* (scripts/fuzz-screen --postgres starts one) and runs a server of its own; exit 77
// when there is none.
#include "db/db.h"
#include "fault_injector.h"
#include "itemmaster/itemmaster.h"
#include "platform/cp932.h"
#include "scripted_toolkit.h"
#include "screen_fixture.h"
#include "test_database.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <optional>

using namespace platform;

namespace {

const QString saveQuestion = QStringLiteral("この内容で更新しますか");
const QString deleteQuestion = QStringLiteral("削除してよろしいですか");
const QString exitQuestion = QStringLiteral("終了してもよろしいですか");
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString unhandled = QStringLiteral("予期しないエラーが発生したため終了します");
const QString noClassName = QStringLiteral("該当データがありませんでした");
const QString listNotRead = QStringLiteral("一覧を読み込めませんでした");
// Messages that end the program, or blame the settings or the connection as set up.
const QStringList neverShown = {QStringLiteral("項目設定エラー"), QStringLiteral("接続エラー")};
const QList<int> replaySeeds = {11, 23, 37, 41, 59, 67, 73, 89};
// What a statement may take beyond the step limit when a fault hit its step: the SQLite driver
// waits out the lock time (2 s in the test data sources) once to prepare and once to run it.
constexpr qint64 faultWaitMs = 4500;

const QList<db::Cause> surroundingCauses = {db::Cause::Lost, db::Cause::Busy, db::Cause::Full, db::Cause::ReadOnly,
                                            db::Cause::Damaged};

// The cause whose sentence a box carries: alone, after the not-saved text, after the list's.
std::optional<db::Cause> causeNamed(const QString& box) {
    for (const db::Cause c : surroundingCauses)
        if (box.endsWith(db::causeSentence(c))) return c;
    return std::nullopt;
}

// What the sessions did, so that a run shows it reached the paths it checks.
struct Tally {
    int saves = 0, deletes = 0, conflicts = 0, refusedOpens = 0;
    int notStored = 0, outcomeUnknown = 0, stopped = 0, listsNotRead = 0, ownWritesFound = 0;
} tally;
int faultsByKind[FaultInjector::kindCount] = {};

// One item as the list shows it: trimmed, nulls empty, lengths of 0 empty.
struct Row {
    QString key, name, attribute, length, decimals;
    bool operator==(const Row&) const = default;
    QString text() const { return QStringList{key, name, attribute, length, decimals}.join(QLatin1Char('|')); }
};
using Table = QMap<qint64, Row>;

QString listed(const QString& value, bool emptyWhenZero) {
    const QString t = trimSpaces(value);
    bool number = false;
    const double n = t.toDouble(&number);
    return emptyWhenZero && number && n == 0 ? QString() : t;
}

// A number column: the number, however its digits were typed (0805 is stored as 805).
QString listedNumber(const QString& value, bool emptyWhenZero) {
    const QString t = listed(value, emptyWhenZero);
    bool whole = false;
    const qlonglong n = t.toLongLong(&whole);
    return whole ? QString::number(n) : t;
}

Row rowOf(const QStringList& values) {
    return {listedNumber(values.value(0), false), listed(values.value(1), false), listed(values.value(2), false),
            listedNumber(values.value(3), true), listedNumber(values.value(4), true)};
}

bool hasDecimalPart(const QString& attribute) { return attribute == QLatin1String("9") || attribute == QLatin1String("N"); }

// The fields hold the row, allowing for what the screen's rules do to a shown row: the decimal
// part is emptied for attributes without one.
bool fieldsShow(const Row& fields, const Row& stored) {
    Row expected = stored;
    if (!hasDecimalPart(fields.attribute)) expected.decimals = fields.decimals.isEmpty() ? QString() : stored.decimals;
    return fields == expected;
}

enum class Action {
    Digits, Letters, Japanese, Enter, Esc, F2, Up, Down, LeftRight, Backspace, Tab, BackTab,
    AltA, AltD, AltE, AltF, ListClick, ListDoubleClick, Scroll, Paste, ClickField, TabsToList, Retype, EnterThrough,
};
const struct {
    Action action;
    int weight;
    const char* name;
} actions[] = {
    {Action::Digits, 12, "digits"},   {Action::Letters, 4, "letters"},     {Action::Japanese, 5, "japanese"},
    {Action::Enter, 14, "Enter"},     {Action::Esc, 5, "Esc"},             {Action::F2, 3, "F2"},
    {Action::Up, 5, "Up"},            {Action::Down, 6, "Down"},           {Action::LeftRight, 2, "Left/Right"},
    {Action::Backspace, 3, "Backspace"}, {Action::Tab, 5, "Tab"},          {Action::BackTab, 3, "Shift+Tab"},
    {Action::AltA, 5, "Alt+A"},       {Action::AltD, 3, "Alt+D"},          {Action::AltE, 1, "Alt+E"},
    {Action::AltF, 2, "Alt+F"},       {Action::ListClick, 6, "list click"}, {Action::ListDoubleClick, 3, "list double click"},
    {Action::Scroll, 2, "scroll"},    {Action::Paste, 3, "paste"},         {Action::ClickField, 3, "click field"},
    {Action::TabsToList, 4, "Tab to the list"}, {Action::Retype, 6, "retype a field"},
    {Action::EnterThrough, 4, "Enter through the fields"},
};

struct Options {
    double seconds = 60;
    std::optional<quint32> seed;
    int steps = 250;
    int sessions = INT_MAX;
    int stepLimitMs = 2000;
    bool replay = false;
    bool trace = false;  // every step to standard error
    faults::PgServer* server = nullptr;  // the explorer's own, on PostgreSQL
};

// A box as the explorer answered it, with what it saw at that moment.
struct Answered {
    QString text;
    int button = 0;
    QStringList fields;            // Koumoku .. Nagasa_S as shown
    std::optional<Row> storedNow;  // the item's row when answered, after any change meanwhile
    Table table;                   // the whole table when answered
    QString attribute;             // the attribute field when the box came
    QString version;               // PostgreSQL: the row's version, where a second write is to be seen
};

class Session {
public:
    Session(quint32 seed, const Options& options) : seed_(seed), rng_(seed), options_(options) {}
    // The faults undone before the database goes (PostgreSQL drops it on the server).
    ~Session();

    // Runs the session; returns its violations.
    QStringList run(int& stepsDone);

private:
    // --- the operator ---
    Action pick();
    QString describe(Action a) const;
    void perform(Action a);
    QWidget* focused() const;
    void typeInto(const QString& text);
    QString randomText(Action a);
    int answer(const ShownBox& box);

    // --- another workstation ---
    void otherWorkstation(bool duringQuestion);
    qint64 freeNumber();

    // --- the surroundings ---
    void faultTurn(const std::function<void()>& turn);

    // --- the shadow and the invariants ---
    Table readTable();
    QString rowVersion(qint64 key);
    QList<Row> readList() const;
    Row fieldRow() const;
    QStringList fieldTexts() const;
    void check(Action a, const Table& before, const QList<Row>& listBefore, const Row& fieldsBefore, bool headBefore,
               int newBefore, const QWidget* focusBefore, qint64 elapsedMs);
    void checkBox(int index, const QString& box);
    void checkWrite(const Answered& a, const Table& after, const QStringList& boxesAfter);
    void checkEntryKept(const Answered& a, qint64 key);
    void checkTableIs(const Table& after, const Table& expected);
    void checkListEqualsTable(const Table& table);
    void checkScreenState();
    // --- the history ---
    QList<QStringList> newHistoryRows();
    void resyncHistory();
    void checkHistory(const Table& after, int writes, const Answered* last, qint64 key);
    void trackEntry(Action a, const Table& before, const QList<Row>& listBefore, const Row& fieldsBefore,
                    bool headBefore, int newBefore, const QWidget* focusBefore);
    void violation(const QString& what) { violations_.append(QStringLiteral("step %1 (%2): %3").arg(step_).arg(stepName_, what)); }

    quint32 seed_;
    QRandomGenerator rng_;
    Options options_;
    std::unique_ptr<FaultInjector> faults_;  // outlives the screen: the database may live on its file system
    std::unique_ptr<ShownScreen> screen_;
    F_R205730* f_ = nullptr;
    Table lastTable_;               // the table as last read: while it cannot be read, it is unchanged
    QSet<QString> attributeCodes_;  // the attribute codes 区分マスタ holds
    qint64 faultMs_ = 0;            // what the step's fault turns took, not the program's time
    int step_ = 0;
    QString stepName_;
    QStringList violations_;
    QList<Answered> answered_;
    bool ended_ = false;
    const QWidget* retyped_ = nullptr;  // the field the step's retyping clicked
    qint64 historySeen_ = 0;            // the last history row checked
    bool historyUnseen_ = false;        // the history could not be read at a step's end: not checked

    // The entry the operator works on, as the explorer saw it begin.
    struct Entry {
        bool active = false;
        bool stored = false;
        qint64 key = 0;
        Row shown;             // the stored row it showed
        QSet<int> edited;      // fields (0 Koumoku .. 4 Nagasa_S) the operator typed into
        std::optional<Row> unanswered;  // a write whose commit's outcome the program could not learn
    } entry_;
};

// --- the operator ----------------------------------------------------------------------------

Action Session::pick() {
    // In the list the operator mostly moves with the arrows; told to save again (the outcome of a
    // commit was lost), mostly saves again.
    const bool inList = focused() == f_->GRID;
    const bool saveAgain = entry_.unanswered.has_value();
    auto weight = [inList, saveAgain](const auto& a) {
        if (saveAgain && (a.action == Action::Esc || a.action == Action::EnterThrough)) return a.weight * 6;
        return inList && (a.action == Action::Up || a.action == Action::Down) ? a.weight * 4 : a.weight;
    };
    int total = 0;
    for (const auto& a : actions) total += weight(a);
    int r = int(rng_.bounded(total));
    for (const auto& a : actions) {
        if (r < weight(a)) return a.action;
        r -= weight(a);
    }
    return Action::Enter;
}

QString Session::describe(Action a) const {
    for (const auto& x : actions)
        if (x.action == a) return QString::fromLatin1(x.name);
    return QStringLiteral("?");
}

QWidget* Session::focused() const {
    QWidget* w = QApplication::focusWidget();
    return w ? w : static_cast<QWidget*>(f_);
}

void Session::typeInto(const QString& text) { typeText(focused(), text); }

QString Session::randomText(Action a) {
    static const QString japanese = QStringLiteral("あいうえおかきくけこ漢字項目名称伝票番号ｱｲｳｴｵｶﾞ全角Ａ１");
    static const QString letters = QStringLiteral("ABCXYZNKMTHqxyz9 ,'\"-.");
    const int n = 1 + int(rng_.bounded(a == Action::Digits ? 7 : 12));
    QString text;
    for (int i = 0; i < n; ++i) {
        if (a == Action::Digits) text += QChar('0' + int(rng_.bounded(10)));
        else if (a == Action::Letters) text += letters.at(int(rng_.bounded(letters.size())));
        else text += japanese.at(int(rng_.bounded(japanese.size())));
    }
    return text;
}

void Session::perform(Action a) {
    FlexGrid* grid = f_->GRID;
    auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(focused(), k, m); };
    switch (a) {
    case Action::Digits:
    case Action::Letters:
    case Action::Japanese: typeInto(randomText(a)); break;
    case Action::Enter: key(Qt::Key_Return); break;
    case Action::Esc: key(Qt::Key_Escape); break;
    case Action::F2: key(Qt::Key_F2); break;
    case Action::Up: key(Qt::Key_Up); break;
    case Action::Down: key(Qt::Key_Down); break;
    case Action::LeftRight: key(rng_.bounded(2) ? Qt::Key_Left : Qt::Key_Right); break;
    case Action::Backspace: key(Qt::Key_Backspace); break;
    case Action::Tab: key(Qt::Key_Tab); break;
    case Action::BackTab: key(Qt::Key_Backtab, Qt::ShiftModifier); break;
    case Action::AltA: key(Qt::Key_A, Qt::AltModifier); break;
    case Action::AltD: key(Qt::Key_D, Qt::AltModifier); break;
    case Action::AltE: key(Qt::Key_E, Qt::AltModifier); break;
    case Action::AltF: key(Qt::Key_F, Qt::AltModifier); break;
    case Action::ListClick:
    case Action::ListDoubleClick: {
        const int top = grid->rowAt(0);
        const int bottom = grid->rowAt(grid->viewport()->height() - 1);
        if (top < 0) break;
        const int last = bottom < 0 ? grid->model()->rowCount() - 1 : bottom;
        const int r = top + int(rng_.bounded(last - top + 1));
        const QPoint at = grid->visualRect(grid->model()->index(r, 1 + int(rng_.bounded(6)))).center();
        if (a == Action::ListClick) QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        else QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        break;
    }
    case Action::Scroll: {
        QScrollBar* bar = grid->verticalScrollBar();
        bar->setValue(bar->minimum() + int(rng_.bounded(bar->maximum() - bar->minimum() + 1)));
        break;
    }
    case Action::Paste:
        QApplication::clipboard()->setText(randomText(rng_.bounded(2) ? Action::Digits : Action::Japanese));
        key(Qt::Key_V, Qt::ControlModifier);
        break;
    case Action::ClickField: {
        // Mostly a field that takes the click.
        QList<InputField*> fields = f_->fields();
        if (rng_.bounded(4) != 0) fields.removeIf([](const InputField* field) { return !field->isEnabled(); });
        if (!fields.isEmpty()) QTest::mouseClick(fields[int(rng_.bounded(fields.size()))], Qt::LeftButton);
        break;
    }
    case Action::Retype: {
        // What an operator does to change an item: click a field, type over it what it takes.
        QList<InputField*> fields = f_->fields();
        fields.removeIf([](const InputField* field) { return !field->isEnabled(); });
        if (fields.isEmpty()) break;
        InputField* field = fields[int(rng_.bounded(fields.size()))];
        retyped_ = field;
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        // Mostly what the field's check accepts.
        const QString value = field == f_->Koumoku_NM ? randomText(Action::Japanese).left(1 + int(rng_.bounded(10)))
                              : field == f_->Zokusei  ? QString(QStringLiteral("9NXBKYMTHA").at(int(rng_.bounded(10))))
                              : rng_.bounded(3) != 0  ? QString::number(1 + rng_.bounded(field == f_->Nagasa_S ? 5 : 30))
                                                      : randomText(Action::Digits).left(field->maxLength());
        typeInto(value);
        break;
    }
    case Action::EnterThrough:
        // Enter field after field, as an operator finishing an entry, until something is asked or told.
        for (int i = 0; i < 6 && screen_->tk().boxes.isEmpty() && workarea.screenMode == QLatin1String("BODY"); ++i) {
            key(Qt::Key_Return);
            QApplication::processEvents();
        }
        break;
    case Action::TabsToList:
        for (int i = 0; i < 12 && focused() != f_->GRID; ++i) key(Qt::Key_Tab);
        break;
    }
    // A button's accelerator presses it a moment later (animateClick): the step lasts until it has.
    for (QPushButton* b : {f_->Cmd_kensaku, f_->Cmd_tuika, f_->Cmd_sakujyo, f_->Cmd_end}) {
        QElapsedTimer wait;
        wait.start();
        while (!ended_ && b && b->isDown() && wait.elapsed() < 5000) QTest::qWait(5);
    }
    QApplication::processEvents();  // a queued Enter arrives as if typed
}

int Session::answer(const ShownBox& box) {
    const bool question = box.text == saveQuestion || box.text == deleteQuestion;
    if (question && rng_.bounded(4) == 0 && faults_->othersMayWrite()) otherWorkstation(true);
    int button = vbOK;
    if (box.text == saveQuestion) button = QList<int>{vbYes, vbYes, vbNo, vbCancel}[int(rng_.bounded(4))];
    else if (box.text == deleteQuestion) button = rng_.bounded(5) < 3 ? vbOK : vbCancel;
    else if (box.text == exitQuestion) button = rng_.bounded(20) == 0 ? vbYes : vbNo;
    Answered a{box.text, button, fieldTexts(), std::nullopt, readTable(), f_->Zokusei->text(), {}};
    const qint64 key = entry_.stored ? entry_.key : trimSpaces(f_->Koumoku->text()).toLongLong();
    if (a.table.contains(key)) a.storedNow = a.table.value(key);
    const bool writes = (box.text == saveQuestion && button == vbYes) || (box.text == deleteQuestion && button == vbOK);
    // The same entry again after a commit whose outcome was lost: written once is enough.
    if (writes && screen_->database().isPostgres() && entry_.unanswered && a.storedNow == entry_.unanswered &&
        !faults_->tableUnreadable())
        a.version = rowVersion(key);
    answered_.append(a);
    if (writes) {
        QElapsedTimer clock;
        clock.start();
        faults_->writeConfirmed(int(answered_.size()) - 1);
        faultMs_ += clock.elapsed();
    }
    return button;
}

// --- another workstation -----------------------------------------------------------------------

qint64 Session::freeNumber() {
    for (;;) {
        const qint64 n = 1 + rng_.bounded(300);
        if (!readTable().contains(n)) return n;
    }
}

void Session::otherWorkstation(bool duringQuestion) {
    TestDatabase& d = screen_->database();
    const Table table = readTable();
    // Most changes land on the item the operator has open: that is where they matter.
    qint64 key = 0;
    if (entry_.active && entry_.stored && rng_.bounded(2)) key = entry_.key;
    else if (entry_.active && !entry_.stored && rng_.bounded(2)) key = trimSpaces(f_->Koumoku->text()).toLongLong();
    else if (!table.isEmpty()) key = table.keys().at(int(rng_.bounded(table.size())));
    if (key <= 0 || key > 999999) key = freeNumber();
    const QString where = QStringLiteral(" WHERE 項目No = %1").arg(key);
    if (!table.contains(key)) {
        d.run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) "
                             "VALUES (%1, '他端末%2', 'X', %3, 0)")
                  .arg(key).arg(step_).arg(1 + rng_.bounded(99)));
        return;
    }
    switch (rng_.bounded(duringQuestion ? 3 : 4)) {
    case 0: d.run(QStringLiteral("DELETE FROM FL1901項目情報マスタ") + where); break;
    case 1: d.run(QStringLiteral("UPDATE FL1901項目情報マスタ SET 長さ = %1").arg(1 + rng_.bounded(99)) + where); break;
    default: d.run(QStringLiteral("UPDATE FL1901項目情報マスタ SET データ項目名 = '他端末%1'").arg(step_) + where); break;
    }
}

// --- the surroundings ---------------------------------------------------------------------------

// One turn of the fault injector. The table is read just before (a fault may keep it from being
// read until it is over) and, once it can be read again, must be what it was: nothing could write.
void Session::faultTurn(const std::function<void()>& turn) {
    QElapsedTimer clock;
    clock.start();
    const bool unreadable = faults_->tableUnreadable();
    const Table known = readTable();
    try {
        turn();
    } catch (const std::exception& e) {
        violation(QStringLiteral("the fault harness failed: ") + QString::fromUtf8(e.what()));
    }
    // A file put back brings its own history: the count starts again from what it holds.
    if (faults_->tableUnreadable()) historyUnseen_ = true;
    else resyncHistory();
    if (unreadable && !faults_->tableUnreadable()) {
        const Table now = readTable();
        if (now != known) {
            violation(QStringLiteral("the table changed while nothing could write to it:"));
            checkTableIs(now, known);
        }
    }
    faultMs_ += clock.elapsed();
}

// --- the shadow -------------------------------------------------------------------------------

Table Session::readTable() {
    if (faults_->tableUnreadable()) return lastTable_;
    Table table;
    for (const QStringList& r : screen_->database().queryRows(QStringLiteral(
             "SELECT 項目No, データ項目名, 属性, 長さ, 小数部長さ FROM FL1901項目情報マスタ ORDER BY 項目No")))
        table.insert(r.value(0).toLongLong(), rowOf(r));
    lastTable_ = table;
    return table;
}

// The transaction that wrote the row last (PostgreSQL).
QString Session::rowVersion(qint64 key) {
    return screen_->database()
        .queryValue(QStringLiteral("SELECT xmin::text FROM FL1901項目情報マスタ WHERE 項目No = %1").arg(key))
        .toString();
}

QList<Row> Session::readList() const {
    QList<Row> rows;
    const FlexGrid* g = f_->GRID;
    for (int r = 1; r <= screenState().listRowCount && r < g->rows(); ++r)
        rows.append(rowOf({g->textMatrix(r, 1), g->textMatrix(r, 2), g->textMatrix(r, 3), g->textMatrix(r, 5), g->textMatrix(r, 6)}));
    return rows;
}

QStringList Session::fieldTexts() const {
    return {f_->Koumoku->text(), f_->Koumoku_NM->text(), f_->Zokusei->text(), f_->Nagasa->text(), f_->Nagasa_S->text()};
}

Row Session::fieldRow() const { return rowOf(fieldTexts()); }

// --- the history --------------------------------------------------------------------------------

QList<QStringList> Session::newHistoryRows() {
    return screen_->database().queryRows(
        QStringLiteral("SELECT 履歴No, 操作, 項目No, 変更前データ項目名, 変更前属性, 変更前長さ, 変更前小数部長さ, "
                       "変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ, 記録元 FROM FL1901項目情報マスタ履歴 "
                       "WHERE 履歴No > %1 ORDER BY 履歴No")
            .arg(historySeen_));
}

void Session::resyncHistory() {
    historySeen_ = screen_->database().queryValue(QStringLiteral("SELECT MAX(履歴No) FROM FL1901項目情報マスタ履歴")).toLongLong();
    historyUnseen_ = false;
}

// `writes` confirmed this step, the last of them `last` on item `key`: each may have one row, and
// the last has one exactly when it changed the table, holding what it changed.
void Session::checkHistory(const Table& after, int writes, const Answered* last, qint64 key) {
    if (faults_->tableUnreadable()) {
        historyUnseen_ = true;
        return;
    }
    if (historyUnseen_) return resyncHistory();
    const QList<QStringList> rows = newHistoryRows();
    if (!rows.isEmpty()) historySeen_ = rows.last().value(0).toLongLong();
    for (const QStringList& r : rows)
        if (r.value(11) != QLatin1String("R205730")) violation(QStringLiteral("a history row by %1: %2").arg(r.value(11), r.join('|')));
    const bool changed = last && (last->table.contains(key) != after.contains(key) || last->table.value(key) != after.value(key));
    const int allowed = changed ? writes : std::max(0, writes - 1);
    if (rows.size() > allowed || (changed && rows.isEmpty())) {
        violation(QStringLiteral("%1 history rows for %2 confirmed writes (the last %3 the table): %4")
                      .arg(rows.size()).arg(writes).arg(changed ? QStringLiteral("changed") : QStringLiteral("left"))
                      .arg(rows.isEmpty() ? QString() : rows.last().join('|')));
        return;
    }
    if (!changed) return;
    const QStringList& r = rows.last();
    const QString action = !last->table.contains(key) ? QStringLiteral("追加") : !after.contains(key) ? QStringLiteral("削除")
                                                                                                     : QStringLiteral("変更");
    const Row before = last->table.contains(key) ? rowOf({QString::number(key), r.value(3), r.value(4), r.value(5), r.value(6)}) : Row{};
    const Row written = after.contains(key) ? rowOf({QString::number(key), r.value(7), r.value(8), r.value(9), r.value(10)}) : Row{};
    if (r.value(1) != action || r.value(2).toLongLong() != key || before != last->table.value(key) || written != after.value(key))
        violation(QStringLiteral("the history of item %1 says %2, the table went %3 -> %4 (%5)")
                      .arg(key).arg(r.join('|'), last->table.value(key).text(), after.value(key).text(), action));
}

// --- the invariants ---------------------------------------------------------------------------

void Session::checkListEqualsTable(const Table& table) {
    const QList<Row> list = readList();
    if (list != table.values())
        violation(QStringLiteral("the list read again (%1 rows) is not the table (%2 rows)").arg(list.size()).arg(table.size()));
}

// The screen is in one of its three states: choosing an item, a stored item open (its number
// closed), or a new item.
void Session::checkScreenState() {
    const bool head = workarea.screenMode == QLatin1String("HEAD");
    const bool stored = !head && screenState().newItemFlag == 0;
    QStringList wrong;
    auto expect = [&wrong](const QWidget* w, bool enabled) {
        if (w->isEnabled() != enabled) wrong.append(w->objectName() + (enabled ? QStringLiteral(" closed") : QStringLiteral(" open")));
    };
    expect(f_->Kensaku, head);
    expect(f_->Koumoku, !head && !stored);
    for (const QWidget* w : {static_cast<QWidget*>(f_->Koumoku_NM), static_cast<QWidget*>(f_->Zokusei), static_cast<QWidget*>(f_->Nagasa)})
        expect(w, !head);
    expect(f_->Cmd_kensaku, head);
    expect(f_->Cmd_sakujyo, stored);
    if (head && screenState().newItemFlag != 0) wrong.append(QStringLiteral("a new item in HEAD"));
    if (!wrong.isEmpty())
        violation(QStringLiteral("the screen (%1%2) is in no state of its own: %3")
                      .arg(workarea.screenMode, screenState().newItemFlag ? QStringLiteral(", new item") : QString(), wrong.join(QStringLiteral(", "))));
}

// A box of the step: what it may say, and whether the surroundings gave cause to say it.
void Session::checkBox(int index, const QString& box) {
    const QString oneLine = QString(box).replace(QLatin1Char('\n'), QStringLiteral(" / "));
    if (box.startsWith(unhandled)) violation(QStringLiteral("unhandled failure: ") + oneLine);
    if (neverShown.contains(box)) violation(QStringLiteral("the program told \"%1\"").arg(box));
    if (box.contains(QStringLiteral("入力欄に収まらない"))) ++tally.refusedOpens;
    const QString attribute = answered_.value(index).attribute;
    if (box == noClassName && attributeCodes_.contains(attribute))
        violation(QStringLiteral("\"%1\" for the attribute %2, which 区分マスタ holds").arg(box, attribute));
    const std::optional<db::Cause> cause = causeNamed(box);
    const bool unknown = box == db::unknownOutcomeSentence();
    if (!cause && !unknown) return;
    if (box.startsWith(updateCancelled)) ++tally.notStored;
    else if (box.startsWith(listNotRead)) ++tally.listsNotRead;
    else if (unknown) ++tally.outcomeUnknown;
    else ++tally.stopped;
    if (faults_->mustBeClean(index))
        violation(QStringLiteral("no fault is on, yet box %1 says: %2").arg(index).arg(oneLine));
    else if (cause && !faults_->causes().contains(*cause))
        violation(QStringLiteral("box %1 names %2, which is not the fault on: %3").arg(index).arg(db::causeDescription(*cause), oneLine));
    else if (unknown && !faults_->mayLoseCommit())
        violation(QStringLiteral("box %1 says a commit's outcome is unknown, and no commit's answer was lost").arg(index));
}

void Session::checkTableIs(const Table& after, const Table& expected) {
    if (after == expected) return;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!expected.contains(it.key()) || expected.value(it.key()) != it.value())
            violation(QStringLiteral("row %1 is %2, expected %3").arg(it.key()).arg(it.value().text(),
                      expected.contains(it.key()) ? expected.value(it.key()).text() : QStringLiteral("(none)")));
    for (auto it = expected.begin(); it != expected.end(); ++it)
        if (!after.contains(it.key())) violation(QStringLiteral("row %1 is gone, expected %2").arg(it.key()).arg(it.value().text()));
}

// A confirmed entry that was not stored stays as confirmed, to be saved once the cause has passed.
void Session::checkEntryKept(const Answered& a, qint64 key) {
    if (ended_) return;
    if (workarea.screenMode != QLatin1String("BODY"))
        violation(QStringLiteral("the entry of item %1 was not stored, yet the screen left it (%2)").arg(key).arg(workarea.screenMode));
    else if (fieldTexts() != a.fields)
        violation(QStringLiteral("the entry of item %1 was not stored, yet the fields show %2, confirmed %3")
                      .arg(key).arg(fieldTexts().join('|'), a.fields.join('|')));
}

void Session::checkWrite(const Answered& a, const Table& after, const QStringList& boxesAfter) {
    const bool saving = a.text == saveQuestion;
    const qint64 key = entry_.stored ? entry_.key : trimSpaces(a.fields.value(0)).toLongLong();
    Table expected = a.table;
    // The entry's own write, whose commit's outcome was lost, found stored: no other workstation's change.
    const bool ownEarlierWrite = entry_.unanswered && a.storedNow == entry_.unanswered;
    std::optional<Conflict> conflict;
    if (ownEarlierWrite) {
        ++tally.ownWritesFound;
    } else if (!entry_.stored) {
        if (a.storedNow) conflict = Conflict::Added;
    } else if (!a.storedNow) {
        conflict = Conflict::Deleted;
    } else if (*a.storedNow != entry_.shown) {
        conflict = Conflict::Changed;
    }
    (saving ? tally.saves : tally.deletes)++;
    // Not stored for a cause of the surroundings, or not known whether stored.
    const bool notStored = std::any_of(boxesAfter.begin(), boxesAfter.end(), [](const QString& box) {
        return box.startsWith(updateCancelled + QLatin1Char('\n'));
    });
    const bool unknown = boxesAfter.contains(db::unknownOutcomeSentence());
    if (conflict) {
        ++tally.conflicts;
        const QString message = conflictMessage(*conflict, !saving);
        // A fault may keep the row from being read at all: then the write is not stored instead.
        const bool refused = boxesAfter.contains(message);
        if (!refused && !notStored)
            violation(QStringLiteral("item %1 was changed meanwhile, but \"%2\" was not told (shown: %3)")
                          .arg(key).arg(message, boxesAfter.join('|')));
        if (after != expected)
            violation(QStringLiteral("another workstation's change of item %1 was overwritten: %2 -> %3")
                          .arg(key).arg(a.storedNow ? a.storedNow->text() : QStringLiteral("(none)"),
                                        after.contains(key) ? after.value(key).text() : QStringLiteral("(none)")));
        if (saving && !refused) checkEntryKept(a, key);
        return;
    }
    for (const QString& box : boxesAfter)
        if (box.startsWith(QStringLiteral("他の端末")) || box == updateCancelled)
            violation(QStringLiteral("the write of item %1 was refused without cause: %2").arg(key).arg(box));
    Row written;
    if (!saving) {
        expected.remove(key);
    } else {
        written = rowOf(a.fields);
        written.key = QString::number(key);
        expected.insert(key, written);
    }
    if (notStored || unknown) {
        // Nothing of it, or (the outcome lost) exactly all of it.
        if (after != a.table && !(unknown && after == expected)) {
            violation(QStringLiteral("the write of item %1 was told not stored, yet the table changed:").arg(key));
            checkTableIs(after, a.table);
        }
    } else {
        checkTableIs(after, expected);
        if (!a.version.isEmpty() && written == entry_.unanswered && !faults_->tableUnreadable() && rowVersion(key) != a.version)
            violation(QStringLiteral("item %1 was written again, though the commit whose outcome was lost had stored it").arg(key));
    }
    // Told not stored (or not known), or plainly not in the table: the entry is still there.
    if (saving && (notStored || unknown || (after == a.table && expected != a.table))) checkEntryKept(a, key);
    if (saving && unknown) entry_.unanswered = written;
    // What the operator did not type into is written as it was shown, unless a rule of the screen
    // rewrote it (the decimal part emptied, a date's empty length made 8).
    if (!saving || !entry_.stored || after != expected) return;
    const QStringList shown{entry_.shown.key, entry_.shown.name, entry_.shown.attribute, entry_.shown.length,
                            entry_.shown.decimals};
    const QStringList now{written.key, written.name, written.attribute, written.length, written.decimals};
    for (int i = 0; i < 5; ++i) {
        if (entry_.edited.contains(i) || now[i] == shown[i]) continue;
        // (The decimal part is emptied when the item opens with, or is saved with, an attribute
        // that has none.)
        if (i == 4 && now[i].isEmpty() && (!hasDecimalPart(written.attribute) || !hasDecimalPart(entry_.shown.attribute)))
            continue;
        if (i == 3 && now[i] == QLatin1String("8") && shown[i].isEmpty() && written.attribute == QLatin1String("Y")) continue;
        violation(QStringLiteral("item %1: field %2 was written as \"%3\", shown \"%4\", and the operator did not edit it")
                      .arg(key).arg(i).arg(now[i], shown[i]));
    }
}

void Session::check(Action a, const Table& before, const QList<Row>& listBefore, const Row& fieldsBefore,
                    bool headBefore, int newBefore, const QWidget* focusBefore, qint64 elapsedMs) {
    const QStringList boxes = screen_->tk().boxTexts();
    for (int i = 0; i < boxes.size(); ++i) checkBox(i, boxes[i]);
    const bool exitConfirmed = std::any_of(answered_.begin(), answered_.end(), [](const Answered& an) {
        return an.text == exitQuestion && an.button == vbYes;
    });
    if (ended_ && !exitConfirmed) violation(QStringLiteral("the program ended, and nobody answered Yes to the exit question"));
    // A step of many keys may end as many actions, each told why it stopped.
    const qint64 stopped = std::count_if(boxes.begin(), boxes.end(), [](const QString& box) { return causeNamed(box).has_value(); });
    const qint64 limit = options_.stepLimitMs + (faults_->hitStep() ? faultWaitMs * (1 + stopped) : 0);
    if (elapsedMs > limit) violation(QStringLiteral("the step took %1 ms").arg(elapsedMs));
    // Questions come only from the keys that ask them (Enter or Space on a button presses it).
    const bool enterOrEsc = a == Action::Enter || a == Action::EnterThrough || a == Action::Esc;
    const bool pressed = a == Action::Enter || a == Action::EnterThrough || a == Action::Letters;
    for (const QString& box : boxes) {
        if (box == saveQuestion && !enterOrEsc) violation(QStringLiteral("a save question nobody asked for"));
        if (box == deleteQuestion && a != Action::AltD && !(pressed && focusBefore == f_->Cmd_sakujyo))
            violation(QStringLiteral("a delete question nobody asked for"));
        if (box == exitQuestion && a != Action::Esc && a != Action::AltE && !(pressed && focusBefore == f_->Cmd_end))
            violation(QStringLiteral("an exit question nobody asked for"));
    }
    if (!ended_) checkScreenState();
    const Table after = readTable();
    // The table as the operator's answers found it: the other workstation may have worked meanwhile.
    Table base = answered_.isEmpty() ? before : answered_.last().table;
    qsizetype write = -1;
    for (qsizetype i = 0; i < answered_.size(); ++i) {
        const Answered& an = answered_[i];
        if ((an.text == saveQuestion && an.button == vbYes) || (an.text == deleteQuestion && an.button == vbOK)) write = i;
    }
    const int writes = int(std::count_if(answered_.begin(), answered_.end(), [](const Answered& an) {
        return (an.text == saveQuestion && an.button == vbYes) || (an.text == deleteQuestion && an.button == vbOK);
    }));
    if (write < 0) {
        if (after != base) violation(QStringLiteral("the table changed without a confirmed save or delete"));
        checkHistory(after, 0, nullptr, 0);
    } else {
        const Answered& last = answered_[write];
        checkHistory(after, writes, &last,
                     entry_.stored ? entry_.key : trimSpaces(last.fields.value(0)).toLongLong());
        const QStringList boxesAfter = boxes.mid(write + 1);
        checkWrite(answered_[write], after, boxesAfter);
        // The list is read again after a write that was done or refused; one not done leaves it,
        // one that could not be read again is told.
        const bool reread = std::none_of(boxesAfter.begin(), boxesAfter.end(), [](const QString& box) {
            return box.startsWith(updateCancelled + QLatin1Char('\n')) || box.startsWith(listNotRead) ||
                   box == db::unknownOutcomeSentence();
        });
        if (!ended_ && screenState().listLoaded != False && reread) checkListEqualsTable(after);
    }
    trackEntry(a, before, listBefore, fieldsBefore, headBefore, newBefore, focusBefore);
}

void Session::trackEntry(Action a, const Table& before, const QList<Row>& listBefore, const Row& fieldsBefore,
                         bool headBefore, int newBefore, const QWidget* focusBefore) {
    const bool head = workarea.screenMode == QLatin1String("HEAD");
    if (ended_ || head) {
        entry_ = {};
        return;
    }
    if (screenState().newItemFlag == 1) {
        if (!entry_.active || entry_.stored || a == Action::AltA) entry_ = {true, false, 0, {}, {}, {}};
    } else {
        // The list shows another row: a click, or its keys (arrows, its keyboard search).
        const bool listKey = a == Action::Up || a == Action::Down || a == Action::LeftRight || a == Action::Digits ||
                             a == Action::Letters || a == Action::Japanese;
        const bool fromList = focusBefore == f_->GRID && listKey;
        const bool opened = headBefore || newBefore == 1 || !entry_.active || entry_.key == 0 ||
                            a == Action::ListClick || a == Action::ListDoubleClick ||
                            (fromList && fieldRow() != fieldsBefore);
        if (opened) {
            // An item is shown only whole: the fields hold a stored row, as the table or the list had it.
            const Row fields = fieldRow();
            const qint64 key = fields.key.toLongLong();
            std::optional<Row> shown;
            if (before.contains(key) && fieldsShow(fields, before.value(key))) shown = before.value(key);
            for (const Row& r : listBefore)
                if (!shown && r.key == fields.key && fieldsShow(fields, r)) shown = r;
            if (!shown) {
                violation(QStringLiteral("the fields show %1, which is no stored row").arg(fields.text()));
                entry_ = {};
                return;
            }
            entry_ = {true, true, key, *shown, {}, {}};
        }
    }
    // Typing is an edit of the field that has the focus.
    const bool typing = a == Action::Digits || a == Action::Letters || a == Action::Japanese || a == Action::Paste ||
                        a == Action::Backspace || a == Action::Retype;
    if (typing) {
        // A field typed full moves on: the typing went into every field from there to here.
        const QList<InputField*> fields = f_->fields();
        const QWidget* start = a == Action::Retype ? retyped_ : focusBefore;
        const int from = int(fields.indexOf(qobject_cast<InputField*>(const_cast<QWidget*>(start))));
        const int to = int(fields.indexOf(qobject_cast<InputField*>(QApplication::focusWidget())));
        for (int p = std::max(from, 1); from >= 0 && p <= std::max(from, to); ++p) entry_.edited.insert(p - 1);
    }
}

Session::~Session() {
    if (faults_) faults_->clearAll();
    screen_.reset();
}

QStringList Session::run(int& stepsDone) {
    faults_ = std::make_unique<FaultInjector>(rng_, options_.server, options_.trace);
    faults_->beforeDatabase();
    if (static bool told = false; !told && !faults_->unavailable().isEmpty()) {
        std::printf("not injected on this machine: %s\n", qPrintable(faults_->unavailable()));
        told = true;
    }
    // Rows another program wrote, some of them longer than the fields.
    screen_ = std::make_unique<ShownScreen>(nullptr, [](TestDatabase& d) {
        d.loadSampleData();
        d.run(QStringLiteral(
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (1234567, '七桁の番号', 'X', 10, 0);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (123456, '六桁の番号', 'X', 10, 0);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (4, '十五文字の全角の名前です長い名前', 'K', 30, 0);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (6, '長さ', 'X', 99999, 0);\n"
            "INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES (8, ' 前後に空白 ', 'X', 5, 3)"));
    });
    if (!screen_->database().isReady()) return {QStringLiteral("no test database: ") + screen_->database().problem()};
    try {
        faults_->afterDatabase(screen_->database());
    } catch (const std::exception& e) {
        return {QStringLiteral("the fault harness failed: ") + QString::fromUtf8(e.what())};
    } catch (const ProgramEnded&) {
        return {QStringLiteral("the program's connection through the relay failed: ") + screen_->tk().boxTexts().join('|')};
    }
    for (const QStringList& r : screen_->database().queryRows(
             QStringLiteral("SELECT 区分コード FROM 区分マスタ WHERE 区分 = '属性'")))
        attributeCodes_.insert(r.value(0));
    f_ = screen_->form();
    ScriptedToolkit& tk = screen_->tk();
    tk.answerer = [this](const ShownBox& box) { return answer(box); };
    // A question is a moment where nothing of the program is under way: the surroundings may change.
    tk.whileShown = [this, &tk](const ShownBox& box) {
        if (box.text == saveQuestion || box.text == deleteQuestion || box.text == exitQuestion)
            faultTurn([this, &tk] { faults_->atQuestion(int(tk.boxes.size()) - 1); });
    };
    for (step_ = 1; step_ <= options_.steps && !ended_; ++step_) {
        faultTurn([this] { faults_->betweenSteps(); });
        if (!violations_.isEmpty()) break;
        if (rng_.bounded(6) == 0 && faults_->othersMayWrite()) otherWorkstation(false);
        const Table before = readTable();
        const QList<Row> listBefore = readList();
        const Row fieldsBefore = fieldRow();
        const bool headBefore = workarea.screenMode == QLatin1String("HEAD");
        const int newBefore = screenState().newItemFlag;
        const QWidget* focusBefore = focused();
        const Action a = pick();
        stepName_ = describe(a);
        tk.boxes.clear();
        answered_.clear();
        retyped_ = nullptr;
        faults_->beginStep();
        faultMs_ = 0;
        QElapsedTimer clock;
        clock.start();
        perform(a);
        faults_->endStep();
        const qint64 elapsed = clock.elapsed() - faultMs_;
        ended_ = tk.endCount > 0;
        if (options_.trace)
            std::printf("%4d %-18s %5lld ms %s%s focus=%s fields=%s boxes=%s\n", step_, qPrintable(stepName_), elapsed,
                        qPrintable(workarea.screenMode),
                        screenState().newItemFlag == 1 ? "+new" : f_->Koumoku->isEnabled() ? "+number" : "",
                        qPrintable(focused()->objectName()), qPrintable(fieldRow().text()),
                        qPrintable(tk.boxTexts().join('|').replace(QLatin1Char('\n'), QStringLiteral(" / "))));
        check(a, before, listBefore, fieldsBefore, headBefore, newBefore, focusBefore, elapsed);
        if (!violations_.isEmpty()) break;
    }
    stepsDone = step_ - 1;
    tk.answerer = {};
    tk.whileShown = {};
    faults_->clearAll();
    for (int k = 0; k < FaultInjector::kindCount; ++k) faultsByKind[k] += faults_->injected(FaultInjector::Kind(k));
    screen_.reset();
    return violations_;
}

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--seed") && i + 1 < args.size()) o.seed = args[++i].toUInt();
        else if (a == QLatin1String("--steps") && i + 1 < args.size()) o.steps = args[++i].toInt();
        else if (a == QLatin1String("--sessions") && i + 1 < args.size()) o.sessions = args[++i].toInt();
        else if (a == QLatin1String("--step-limit") && i + 1 < args.size()) o.stepLimitMs = args[++i].toInt();
        else if (a == QLatin1String("--replay")) o.replay = true;
        else if (a == QLatin1String("--trace")) o.trace = true;
        else o.seconds = a.toDouble();
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options = parse(app.arguments());
    // On PostgreSQL a server of the explorer's own, made before the first test database, so that
    // restarting and stopping it leaves the suite's server alone.
    std::optional<faults::PgServer> server;
    if (TestDatabase::engineFromEnvironment() == TestDatabase::Engine::PostgreSQL) {
        if (qEnvironmentVariable("R205730_PG_HOST").isEmpty()) {
            std::printf("no PostgreSQL test server (scripts/fuzz-screen --postgres starts one)\n");
            return qEnvironmentVariable("CI") == QLatin1String("true") ? 1 : 77;
        }
        server.emplace();
        if (!server->isReady()) {
            std::printf("the explorer's PostgreSQL server: %s\n", qPrintable(server->problem()));
            return 1;
        }
        options.server = &*server;
    }
    QList<quint32> seeds;
    if (options.seed) seeds = {*options.seed};
    else if (options.replay) for (const int s : replaySeeds) seeds.append(quint32(s));
    QRandomGenerator master(quint32(QDateTime::currentMSecsSinceEpoch()));
    QElapsedTimer clock;
    clock.start();
    int sessions = 0, steps = 0, violations = 0;
    for (int i = 0; i < options.sessions; ++i) {
        quint32 seed = 0;
        if (!seeds.isEmpty()) {
            if (i >= seeds.size()) break;
            seed = seeds[i];
        } else {
            if (clock.elapsed() >= qint64(options.seconds * 1000)) break;
            seed = master.generate() % 1000000000u;
        }
        std::fprintf(stderr, "session seed %u\n", seed);
        int done = 0;
        const QStringList found = Session(seed, options).run(done);
        ++sessions;
        steps += done;
        if (!found.isEmpty()) {
            violations += int(found.size());
            for (const QString& v : found) std::printf("violation: %s\n", qPrintable(v));
            std::printf("replay: scripts/fuzz-screen --seed %u%s\n", seed, server ? " --postgres" : "");
            break;
        }
    }
    QStringList kinds;
    int faultCount = 0;
    for (int k = 0; k < FaultInjector::kindCount; ++k) {
        faultCount += faultsByKind[k];
        if (faultsByKind[k] > 0) kinds.append(QStringLiteral("%1 %2").arg(FaultInjector::name(FaultInjector::Kind(k))).arg(faultsByKind[k]));
    }
    std::printf("faults: %s\n", kinds.isEmpty() ? "none" : qPrintable(kinds.join(QStringLiteral(", "))));
    std::printf("saves %d, deletes %d, refused by another workstation's change %d, items not opened %d; "
                "after faults: not stored %d, outcome unknown %d (own write found again %d), actions stopped %d, "
                "lists not read %d\n",
                tally.saves, tally.deletes, tally.conflicts, tally.refusedOpens, tally.notStored, tally.outcomeUnknown,
                tally.ownWritesFound, tally.stopped, tally.listsNotRead);
    std::printf("sessions %d, steps %d, faults %d, violations %d\n", sessions, steps, faultCount, violations);
    return violations == 0 ? 0 : 1;
}
