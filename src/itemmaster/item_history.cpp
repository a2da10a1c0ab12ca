// The history of FL1901項目情報マスタ: written by the save and the delete in their own transaction,
// read by the history screen.
#include "itemmaster/item_history.h"
#include "itemmaster/item_statements.h"
#include "itemmaster/itemmaster.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"

#include <QRegularExpression>

#include <utility>

using namespace platform;

namespace {

const QString writerName = QStringLiteral("R205730");

QString sqlValue(const QString& text, bool number) {
    if (text.isNull()) return QStringLiteral("NULL");
    static const QRegularExpression whole(QStringLiteral("^ *[+-]?[0-9]+ *$"));
    if (number && whole.match(text).hasMatch()) return text.trimmed();
    return QLatin1Char('\'') + quoteSql(text) + QLatin1Char('\'');
}

// name, attribute, length, decimal length: which of them are numbers.
constexpr bool numberValue[] = {false, false, true, true};

QString valueText(const QVariant& value) { return value.isNull() ? QString() : value.toString(); }

QStringList valuesOf(const db::ResultSet& rs, const QString& prefix) {
    QStringList values;
    for (const char* column : {"データ項目名", "属性", "長さ", "小数部長さ"})
        values.append(valueText(rs.columnValue(prefix + QString::fromUtf8(column))));
    return values;
}

// "YYYY-MM-DD HH:MM:SS" and a fraction of the second the screen does not show, in UTC. Read by
// position: a parse by format goes through the local time zone for every row.
QDateTime utcTime(const QString& text) {
    auto number = [&](int from, int length) { return QStringView(text).mid(from, length).toInt(); };
    if (text.size() < 19) return {};
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)), QTime(number(11, 2), number(14, 2), number(17, 2)),
                     Qt::UTC);
}

HistoryAction actionOf(const QString& name) {
    if (name.trimmed() == actionName(HistoryAction::Added)) return HistoryAction::Added;
    if (name.trimmed() == actionName(HistoryAction::Deleted)) return HistoryAction::Deleted;
    return HistoryAction::Changed;
}

}  // namespace

QString actionName(HistoryAction action) {
    switch (action) {
    case HistoryAction::Added: return QStringLiteral("追加");
    case HistoryAction::Changed: return QStringLiteral("変更");
    case HistoryAction::Deleted: return QStringLiteral("削除");
    }
    return {};
}

bool historyKept() {
    ItemScreenState& state = screenState();
    const int generation = db::connectionGeneration();
    if (generation == state.historyGeneration) return state.historyKept;
    bool kept = false;
    // The probe is no statement of the screen's: the work area keeps the statement run before it.
    const QString sqlText = workarea.sqlText, resultAtEnd = workarea.resultAtEnd;
    try {
        openReadOnly(historyProbeSql())->closeResultSet();
        kept = true;
    } catch (const db::Error& e) {
        workarea.sqlText = sqlText;
        workarea.resultAtEnd = resultAtEnd;
        if (e.fromSurroundings()) throw;
    }
    workarea.sqlText = sqlText;
    workarea.resultAtEnd = resultAtEnd;
    // A connection opened since may be to another database (a restarted server, a file put back).
    state.historyGeneration = db::connectionGeneration();
    state.historyKept = kept;
    if (!kept && !std::exchange(state.historyAbsenceTold, true))
        logDetail(QStringLiteral("history: the database has no table FL1901項目情報マスタ履歴; saves and deletes are not recorded"));
    return kept;
}

void beginHistoryWrite() {
    if (db::onPostgreSQL()) openReadOnly(historyWriterSql())->closeResultSet();
}

void recordHistory(HistoryAction action, const QString& key, const QStringList& before, const QStringList& after) {
    QStringList values{sqlValue(actionName(action), false), sqlValue(key, true),
                       sqlValue(action == HistoryAction::Added ? QString() : key, true)};
    for (const QStringList* side : {&before, &after})
        for (int i = 0; i < 4; ++i) values.append(sqlValue(i < side->size() ? side->at(i) : QString(), numberValue[i]));
    values << sqlValue(workarea.operatorCode, false) << sqlValue(workarea.machineName, false) << sqlValue(writerName, false);
    try {
        executeSql(historyInsertSql(values.join(QStringLiteral(", "))));
    } catch (const db::Error& e) {
        if (e.fromSurroundings()) throw;
        logDetail(QStringLiteral("history of item %1 not written: %2").arg(key, QString::fromUtf8(e.what())));
        throw HistoryNotWritten(e.what());
    }
}

std::vector<HistoryEntry> readHistory(const QString& key) {
    std::vector<HistoryEntry> entries;
    if (!historyKept()) return entries;
    const std::unique_ptr<db::ResultSet> rs = openReadOnly(historyOfItemSql(key));
    for (; !rs->atEnd(); rs->moveNext()) {
        HistoryEntry e;
        e.number = rs->columnValue(QStringLiteral("履歴No")).toLongLong();
        e.action = actionOf(valueText(rs->columnValue(QStringLiteral("操作"))));
        e.key = valueText(rs->columnValue(QStringLiteral("項目No")));
        e.keyBefore = valueText(rs->columnValue(QStringLiteral("変更前項目No")));
        if (e.action != HistoryAction::Added) e.before = valuesOf(*rs, QStringLiteral("変更前"));
        if (e.action != HistoryAction::Deleted) e.after = valuesOf(*rs, QStringLiteral("変更後"));
        e.operatorCode = trimSpaces(valueText(rs->columnValue(QStringLiteral("担当者コード"))));
        e.workstation = trimSpaces(valueText(rs->columnValue(QStringLiteral("端末名"))));
        e.writer = trimSpaces(valueText(rs->columnValue(QStringLiteral("記録元"))));
        e.recorded = utcTime(valueText(rs->columnValue(QStringLiteral("記録日時"))));
        entries.push_back(std::move(e));
    }
    rs->closeResultSet();
    return entries;
}
