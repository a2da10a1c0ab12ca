// What a failure comes from, found once where it arises, and the one sentence the operator reads
// about each cause. Nothing above the layer reads a driver's message.
#include "odbc.h"

#include <QStringView>

namespace db {

namespace {

// SQLite's own result codes, which its driver reports as the native code.
enum SqliteCode : int {
    sqliteBusy = 5,
    sqliteLocked = 6,
    sqliteReadOnly = 8,
    sqliteIoError = 10,
    sqliteCorrupt = 11,
    sqliteFull = 13,
    sqliteCannotOpen = 14,
    sqliteNotADatabase = 26,
};

Cause sqliteCause(int native) {
    switch (native & 0xff) {  // extended codes carry the primary one in their low byte
    case sqliteBusy:
    case sqliteLocked: return Cause::Busy;
    case sqliteFull: return Cause::Full;
    case sqliteReadOnly: return Cause::ReadOnly;
    case sqliteIoError:
    case sqliteCorrupt:
    case sqliteNotADatabase:
    case sqliteCannotOpen: return Cause::Damaged;
    default: return Cause::Other;
    }
}

Cause stateCause(QStringView state) {
    static const QStringView lost[] = {u"57P01", u"57P02", u"57P03"};
    static const QStringView busy[] = {u"55P03", u"57014", u"HYT00", u"HYT01", u"40001", u"40P01"};
    static const QStringView full[] = {u"53100"};
    static const QStringView damaged[] = {u"58030", u"XX001", u"XX002"};
    if (state.startsWith(u"08")) return Cause::Lost;
    for (QStringView s : lost)
        if (state == s) return Cause::Lost;
    for (QStringView s : busy)
        if (state == s) return Cause::Busy;
    for (QStringView s : full)
        if (state == s) return Cause::Full;
    for (QStringView s : damaged)
        if (state == s) return Cause::Damaged;
    // A server that can no longer take writes (a stand-by after a fail-over) answers 25006.
    if (state == u"25006") return Cause::ReadOnly;
    if (state.startsWith(u"22") || state.startsWith(u"23") || state.startsWith(u"42") || state.startsWith(u"07") ||
        state.startsWith(u"21") || state == u"HY000")
        return Cause::Data;
    return Cause::Other;
}

// psqlODBC's own number for a connection it has found gone.
constexpr int psqlConnectionLost = 35;

}  // namespace

Cause causeOf(const QString& sqlState, int nativeCode, Engine engine) {
    if (engine == Engine::SQLite && (sqlState == u"HY000" || sqlState == u"S1000")) {
        const Cause cause = sqliteCause(nativeCode);
        return cause == Cause::Other ? Cause::Data : cause;
    }
    if (engine == Engine::PostgreSQL && nativeCode == psqlConnectionLost) return Cause::Lost;
    return stateCause(sqlState);
}

bool Error::fromSurroundings() const {
    switch (cause) {
    case Cause::Lost:
    case Cause::Busy:
    case Cause::Full:
    case Cause::ReadOnly:
    case Cause::Damaged: return true;
    case Cause::Data:
    case Cause::Other: return false;
    }
    return false;
}

QString Error::operatorSentence() const { return fromSurroundings() ? causeSentence(cause) : QString(); }

QString causeSentence(Cause cause) {
    switch (cause) {
    case Cause::Lost: return QStringLiteral("データベースに接続できません。しばらくしてから、もう一度操作してください");
    case Cause::Busy:
        return QStringLiteral("ほかの端末かプログラムがデータを使用中です。しばらくしてから、もう一度操作してください");
    case Cause::Full:
        return QStringLiteral("データベースの保存領域がいっぱいで書き込めません。管理者に連絡してください");
    case Cause::ReadOnly: return QStringLiteral("データベースが書き込みを受け付けません。管理者に連絡してください");
    case Cause::Damaged:
        return QStringLiteral("データベースのファイルが壊れているか読み書きできません。管理者に連絡してください");
    case Cause::Data:
    case Cause::Other: break;
    }
    return QString();
}

QString causeDescription(Cause cause) {
    switch (cause) {
    case Cause::Lost: return QStringLiteral("the connection to the database is lost");
    case Cause::Busy: return QStringLiteral("a lock is held elsewhere, or the statement timed out");
    case Cause::Full: return QStringLiteral("the database's storage is full");
    case Cause::ReadOnly: return QStringLiteral("the database takes no writes");
    case Cause::Damaged: return QStringLiteral("the database file is damaged or cannot be read");
    case Cause::Data: return QStringLiteral("the database refused the statement (a missing table or column, or a value it does not take)");
    case Cause::Other: break;
    }
    return QStringLiteral("the database failed");
}

QString unknownOutcomeSentence() {
    return QStringLiteral(
        "データベースとの接続が切れたため、更新されたかどうか確かめられませんでした。しばらくしてから、もう一度更新してください");
}

}  // namespace db
