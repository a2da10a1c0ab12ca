#include "fault_injector.h"

#include "test_database.h"

#include "core/workarea.h"

#include <QFile>

#include <cstdio>

namespace {

// The relay cannot be disarmed: armed with bytes no client ever sends, it waits for nothing.
const QByteArray neverSent("r205730 explorer: nothing sends this");

bool instant(FaultInjector::Kind kind) {
    using K = FaultInjector::Kind;
    return kind == K::FilePutBack || kind == K::Reset || kind == K::Restart;
}

}  // namespace

QString FaultInjector::name(Kind kind) {
    switch (kind) {
    case Kind::Lock: return QStringLiteral("lock held");
    case Kind::Full: return QStringLiteral("store full");
    case Kind::FilePutBack: return QStringLiteral("file put back");
    case Kind::Reset: return QStringLiteral("connection reset");
    case Kind::ResetAtCommit: return QStringLiteral("reset at the commit");
    case Kind::CommitUnanswered: return QStringLiteral("commit unanswered");
    case Kind::Restart: return QStringLiteral("server restarted");
    case Kind::ServerDown: return QStringLiteral("server down");
    }
    return QString();
}

FaultInjector::FaultInjector(QRandomGenerator& rng, faults::PgServer* server, bool trace)
    : rng_(rng), server_(server), trace_(trace) {}

FaultInjector::~FaultInjector() {
    clearAll();
    if (!server_) TestDatabase::placeSqliteIn(QString());
}

void FaultInjector::beforeDatabase() {
    if (server_) return;
    disk_ = std::make_unique<faults::SmallFileSystem>(2 << 20);
    if (!disk_->isReady()) {
        unavailable_ = name(Kind::Full) + QStringLiteral(": ") + disk_->problem();
        disk_.reset();
        return;
    }
    TestDatabase::placeSqliteIn(disk_->path());
}

void FaultInjector::afterDatabase(TestDatabase& database) {
    database_ = &database;
    if (!server_) {
        TestDatabase::placeSqliteIn(QString());
        file_ = database.databaseName();
        return;
    }
    proxy_ = std::make_unique<faults::TcpProxy>(server_->host(), server_->port());
    // A name of its own for each relay: unixODBC keeps what it read of a data source a while.
    const QString viaRelay = QStringLiteral("EDI_PROXY_%1").arg(proxy_->port());
    database.addDataSource(viaRelay, {{QStringLiteral("Servername"), QStringLiteral("127.0.0.1")},
                                      {QStringLiteral("Port"), QString::number(proxy_->port())}});
    workarea.dataSource = viaRelay;
    openDatabase();
}

QList<FaultInjector::Kind> FaultInjector::candidates() const {
    if (server_) return {Kind::Reset, Kind::Reset, Kind::Restart, Kind::Restart, Kind::ServerDown, Kind::ServerDown};
    QList<Kind> kinds{Kind::Lock, Kind::Lock};
    if (disk_) kinds << Kind::Full << Kind::Full << Kind::Full;
    if (backupTaken_) kinds << Kind::FilePutBack << Kind::FilePutBack;
    return kinds;
}

void FaultInjector::betweenSteps() {
    if (fault_) {
        if (--fault_->stepsLeft <= 0) clear(std::nullopt);
        return;
    }
    if (rng_.bounded(12) == 0) {
        const QList<Kind> kinds = candidates();
        inject(kinds[int(rng_.bounded(kinds.size()))], std::nullopt);
    } else if (!server_ && (!backupTaken_ || rng_.bounded(20) == 0)) {
        takeBackup();
    }
}

void FaultInjector::beginStep() {
    changedInStep_ = false;
    hitStep_ = on();
    cleanFrom_ = on() ? INT_MAX : 0;
    cleanTo_ = INT_MAX;
    causes_.clear();
    mayLoseCommit_ = false;
    if (fault_) noteCauses(fault_->kind);
}

void FaultInjector::atQuestion(int box) {
    if (changedInStep_) return;
    if (fault_) {
        if (rng_.bounded(3) == 0) clear(box);
    } else if (rng_.bounded(4) == 0) {
        const QList<Kind> kinds = candidates();
        inject(kinds[int(rng_.bounded(kinds.size()))], box);
    }
}

void FaultInjector::writeConfirmed(int box) {
    if (!proxy_ || fault_ || changedInStep_ || rng_.bounded(2) != 0) return;
    // Before the server has the commit, after it answered (done, the client never hears it), or
    // that and no new connection for a while (nothing can read the row back).
    const int variant = int(rng_.bounded(3));
    if (variant == 0) proxy_->resetBefore("COMMIT");
    else proxy_->resetAfterAnswerTo("COMMIT", variant == 2);
    const Kind kind = variant == 2 ? Kind::CommitUnanswered : Kind::ResetAtCommit;
    armed_ = true;
    fault_ = Fault{kind, 1 + int(rng_.bounded(3))};
    changedInStep_ = hitStep_ = true;
    cleanTo_ = std::min(cleanTo_, box + 1);
    noteCauses(kind);
    note(QStringLiteral("the relay resets the connection %1 the commit%2")
             .arg(variant == 0 ? QStringLiteral("before") : QStringLiteral("after the answer to"),
                  variant == 2 ? QStringLiteral(", then refuses new connections") : QString()));
}

void FaultInjector::endStep() {
    if (!armed_) return;
    armed_ = false;
    if (!proxy_->fired()) {
        // No commit came (refused, cancelled, failed before): nothing happened to the surroundings.
        disarm();
        fault_.reset();
        hitStep_ = false;
        cleanTo_ = INT_MAX;
        causes_.clear();
        mayLoseCommit_ = false;
        note(QStringLiteral("no commit came; the relay's reset taken back"));
        return;
    }
    ++counts_[size_t(fault_->kind)];
    if (fault_->kind == Kind::ResetAtCommit) {
        fault_.reset();
        note(QStringLiteral("the commit's connection was reset"));
    } else {
        note(QStringLiteral("the commit went unanswered; new connections are refused"));
    }
}

void FaultInjector::clearAll() {
    try {
        if (armed_) disarm();
        armed_ = false;
        if (fault_) undo();
        fault_.reset();
        if (proxy_) proxy_->refuseNewConnections(false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "explorer: a fault could not be undone: %s\n", e.what());
    }
}

bool FaultInjector::tableUnreadable() const {
    return fault_ && (fault_->kind == Kind::Lock || fault_->kind == Kind::ServerDown);
}

bool FaultInjector::othersMayWrite() const { return !fault_ || !(tableUnreadable() || fault_->kind == Kind::Full); }

int FaultInjector::injected() const {
    int n = 0;
    for (const int c : counts_) n += c;
    return n;
}

void FaultInjector::inject(Kind kind, std::optional<int> box) {
    int steps = 0;
    switch (kind) {
    case Kind::Lock:
        lock_ = std::make_unique<faults::SqliteLockHolder>(file_);
        steps = 1 + int(rng_.bounded(2));
        break;
    case Kind::Full:
        disk_->fill();
        steps = 1 + int(rng_.bounded(4));
        break;
    case Kind::FilePutBack:
        faults::replaceFile(file_, backupFolder_.filePath(QStringLiteral("backup.sqlite")));
        // The shadow's own connection still holds the file that was there.
        database_->reconnectOwn();
        break;
    case Kind::Reset: proxy_->resetAll(); break;
    case Kind::Restart: server_->restart(); break;
    case Kind::ServerDown:
        server_->stop();
        steps = 1 + int(rng_.bounded(3));
        break;
    case Kind::ResetAtCommit:
    case Kind::CommitUnanswered: return;  // armed by writeConfirmed
    }
    ++counts_[size_t(kind)];
    note(name(kind) + (box ? QStringLiteral(" (while box %1 is up)").arg(*box) : QString()) +
         (instant(kind) ? QString() : QStringLiteral(", for %1 step(s)").arg(steps)));
    if (box) changedInStep_ = hitStep_ = true;
    if (instant(kind)) return;
    fault_ = Fault{kind, steps};
    if (box) {
        cleanTo_ = std::min(cleanTo_, *box + 1);
        noteCauses(kind);
    }
}

void FaultInjector::clear(std::optional<int> box) {
    const Kind kind = fault_->kind;
    undo();
    fault_.reset();
    note(name(kind) + QStringLiteral(": over") + (box ? QStringLiteral(" (while box %1 is up)").arg(*box) : QString()));
    if (box) {
        changedInStep_ = true;
        cleanFrom_ = *box + 1;
    }
}

void FaultInjector::undo() {
    switch (fault_->kind) {
    case Kind::Lock: lock_.reset(); break;
    case Kind::Full: disk_->makeRoom(); break;
    case Kind::ServerDown: server_->start(); break;
    case Kind::CommitUnanswered: proxy_->refuseNewConnections(false); break;
    case Kind::ResetAtCommit:
    case Kind::FilePutBack:
    case Kind::Reset:
    case Kind::Restart: break;
    }
}

void FaultInjector::takeBackup() {
    // Between steps no transaction is open: the file alone is the whole database.
    if (fault_ || QFile::exists(file_ + QStringLiteral("-journal"))) return;
    const QString backup = backupFolder_.filePath(QStringLiteral("backup.sqlite"));
    QFile::remove(backup);
    backupTaken_ = QFile::copy(file_, backup);
    note(backupTaken_ ? QStringLiteral("a backup of the file taken") : QStringLiteral("no backup could be taken"));
}

void FaultInjector::disarm() { proxy_->resetBefore(neverSent); }

void FaultInjector::noteCauses(Kind kind) {
    switch (kind) {
    case Kind::Lock: causes_ = {db::Cause::Busy}; break;
    case Kind::Full: causes_ = {db::Cause::Full}; break;
    case Kind::ResetAtCommit:
    case Kind::CommitUnanswered: mayLoseCommit_ = true; [[fallthrough]];
    case Kind::Reset:
    case Kind::Restart:
    case Kind::ServerDown: causes_ = {db::Cause::Lost}; break;
    case Kind::FilePutBack: causes_.clear(); break;
    }
}

void FaultInjector::note(const QString& what) const {
    if (trace_) std::printf("     ! %s\n", qPrintable(what));
}
