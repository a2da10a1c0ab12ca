// The bounds on waiting that the README recommends: a lock held elsewhere fails within 10 s, a
// silent line is noticed within 30 s; and a SQLite file journals as its file system allows.
#include "check_context.h"

#include <QFile>
#include <QRegularExpression>

#include <sys/vfs.h>

namespace check {

namespace {

// The README's bounds.
constexpr int lockWaitMs = 10000;
constexpr int silentLineSeconds = 30;

std::optional<long long> positive(const QString& text) {
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok && v > 0 ? std::optional<long long>(v) : std::nullopt;
}

// File systems whose locks and shared memory do not reach other hosts: write-ahead logging
// needs memory shared on one host.
bool onNetworkShare(const QString& file, QString& kind) {
    struct statfs fs {};
    if (::statfs(QFile::encodeName(file).constData(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL: kind = QStringLiteral("NFS"); return true;
    case 0x517BUL: kind = QStringLiteral("SMB"); return true;
    case 0xFF534D42UL: kind = QStringLiteral("CIFS"); return true;
    case 0xFE534D42UL: kind = QStringLiteral("SMB2"); return true;
    default: return false;
    }
}

void checkSqliteWaits(Context& c, Result& r) {
    QStringList problems, remedies, found;
    const QString timeout = dataSourceKey(c, "Timeout");
    const auto ms = positive(timeout);
    // The driver waits for a lock twice in a statement, preparing and running it.
    if (!ms || *ms > lockWaitMs / 2) {
        problems.append(timeout.isEmpty()
                            ? QStringLiteral("Timeout= がありません (ドライバの既定では 100 秒待ちます)")
                            : QStringLiteral("Timeout=%1 は 1〜%2 ミリ秒ではありません "
                                             "(ドライバは文ごとに二度待つため、ロックの待ちが %3 秒を超えます)")
                                  .arg(timeout)
                                  .arg(lockWaitMs / 2)
                                  .arg(lockWaitMs / 1000));
        remedies.append(
            QStringLiteral("%1 の [%2] に Timeout=5000 を書いてください").arg(odbcIniName(c), c.dataSource));
    } else {
        found.append(QStringLiteral("Timeout=%1").arg(*ms));
    }
    const QString mode = queryRows(*c.connection, QStringLiteral("PRAGMA journal_mode")).value(0).value(0).toLower();
    const QString file = c.connection->databaseFile().isEmpty() ? c.sqliteFile : c.connection->databaseFile();
    QString share;
    if (onNetworkShare(file, share)) {
        if (mode == QLatin1String("wal")) {
            problems.append(QStringLiteral("%1 上のファイルが WAL (write-ahead log) です。WAL "
                                           "は一台のホストの共有メモリを使うため、ほかの端末と共有できません")
                                .arg(share));
            remedies.append(
                QStringLiteral("だれも使っていないときに sqlite3 %1 'PRAGMA journal_mode=DELETE'").arg(file));
        } else {
            found.append(QStringLiteral("journal_mode=%1 (%2 上)").arg(mode, share));
        }
    } else if (mode != QLatin1String("wal")) {
        problems.append(
            QStringLiteral("journal_mode=%1: ローカルのディスクでは WAL にすると、書き込み中も読む側が待ちません")
                .arg(mode));
        remedies.append(QStringLiteral("だれも使っていないときに sqlite3 %1 'PRAGMA journal_mode=WAL'").arg(file));
    } else {
        found.append(QStringLiteral("journal_mode=wal"));
    }
    if (!problems.isEmpty()) {
        fail(r, problems.join(QStringLiteral("。")), remedies.join(QStringLiteral("。")));
        return;
    }
    r.detail = found.join(QStringLiteral("、")) + QStringLiteral(" (%1)").arg(odbcIniName(c));
}

// pqopt: libpq's keywords, separated by spaces, braces allowed around the whole.
QMap<QString, QString> libpqOptions(QString text) {
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('{')) && text.endsWith(QLatin1Char('}'))) text = text.mid(1, text.size() - 2);
    QMap<QString, QString> options;
    static const QRegularExpression pair(QStringLiteral("(\\w+)\\s*=\\s*(\\S+)"));
    for (auto it = pair.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        options.insert(m.captured(1).toLower(), m.captured(2));
    }
    return options;
}

void checkPostgresWaits(Context& c, Result& r) {
    QStringList problems, remedies, found;
    const QString ini = odbcIniName(c);
    // The value in force, whether ConnSettings, the role or the server set it.
    const auto lock =
        positive(queryRows(*c.connection, QStringLiteral("SELECT setting FROM pg_settings WHERE name = 'lock_timeout'"))
                     .value(0)
                     .value(0));
    if (!lock || *lock > lockWaitMs) {
        problems.append(
            !lock ? QStringLiteral("lock_timeout が 0 です (ほかの端末のロックを文のタイムアウト 300 秒まで待ちます)")
                  : QStringLiteral("lock_timeout=%1 ms は %2 秒を超えます").arg(*lock).arg(lockWaitMs / 1000));
        remedies.append(QStringLiteral("%1 の [%2] に ConnSettings=SET lock_timeout = 10000").arg(ini, c.dataSource));
    } else {
        found.append(QStringLiteral("lock_timeout=%1ms").arg(*lock));
    }
    const QString time = dataSourceKey(c, "KeepaliveTime");
    const QString interval = dataSourceKey(c, "KeepaliveInterval");
    const QString pqopt = dataSourceKey(c, "pqopt");
    const QMap<QString, QString> options = libpqOptions(pqopt);
    const auto idle = positive(time), every = positive(interval),
               count = positive(options.value(QStringLiteral("keepalives_count")));
    const auto userTimeout = positive(options.value(QStringLiteral("tcp_user_timeout")));
    QStringList keepalive;
    bool keepaliveWithinBound = false;
    if (!idle) keepalive.append(QStringLiteral("KeepaliveTime=%1").arg(time));
    if (!every) keepalive.append(QStringLiteral("KeepaliveInterval=%1").arg(interval));
    if (!count) keepalive.append(QStringLiteral("pqopt の keepalives_count"));
    if (!userTimeout) keepalive.append(QStringLiteral("pqopt の tcp_user_timeout"));
    if (!keepalive.isEmpty()) {
        problems.append(
            QStringLiteral("キープアライブの設定がないか 0 以下です: %1 (無言になった回線に数分から 15 分気づきません)")
                .arg(keepalive.join(QStringLiteral(", "))));
    } else if (*idle + *every * *count > silentLineSeconds || *userTimeout > silentLineSeconds * 1000) {
        problems.append(QStringLiteral("無言になった回線に気づくまでが %1 秒を超えます: 待機中 %2 + %3 × %4 "
                                       "秒、文の実行中 tcp_user_timeout=%5 ms")
                            .arg(silentLineSeconds)
                            .arg(*idle)
                            .arg(*every)
                            .arg(*count)
                            .arg(*userTimeout));
    } else {
        keepaliveWithinBound = true;
        found.append(QStringLiteral("KeepaliveTime=%1、KeepaliveInterval=%2、keepalives_count=%3、tcp_user_timeout=%4")
                         .arg(*idle)
                         .arg(*every)
                         .arg(*count)
                         .arg(*userTimeout));
    }
    if (!keepaliveWithinBound)
        remedies.append(QStringLiteral("%1 の [%2] に KeepaliveTime=10、KeepaliveInterval=5、"
                                       "pqopt=keepalives_count=3 tcp_user_timeout=20000 を書いてください")
                            .arg(ini, c.dataSource));
    if (!problems.isEmpty()) {
        fail(r, problems.join(QStringLiteral("。")), remedies.join(QStringLiteral("。")));
        return;
    }
    r.detail = found.join(QStringLiteral("、")) + QStringLiteral(" (%1)").arg(ini);
}

}  // namespace

void checkWaits(Context& c, Result& r) {
    if (!c.connection) {
        skip(r, QStringLiteral("データベースに接続できなかったため"));
        return;
    }
    try {
        if (c.engine == db::Engine::SQLite)
            checkSqliteWaits(c, r);
        else if (c.engine == db::Engine::PostgreSQL)
            checkPostgresWaits(c, r);
        else
            skip(r, QStringLiteral("%1 の推奨値は決まっていないため").arg(c.connection->dbmsName));
    } catch (const db::Error& e) {
        fail(r, QStringLiteral("設定を調べられません: %1").arg(QString::fromUtf8(e.what())),
             QStringLiteral("メッセージの原因を取り除いてください"));
    }
}

}  // namespace check
