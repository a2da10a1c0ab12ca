#include "fault_harness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace faults {

namespace {

QString quoted(const QString& text) {
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

std::runtime_error failure(const QString& what) { return std::runtime_error(what.toStdString()); }

QString systemError(const QString& what) { return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)); }

const char* const pgVariables[] = {"R205730_PG_HOST",     "R205730_PG_PORT",     "R205730_PG_USER",
                                   "R205730_PG_PASSWORD", "R205730_PG_DATABASE", "R205730_PG_DIR"};

// Two processes choosing a /30 at the same moment would both find it free: one at a time.
class LinkChoiceLock {
public:
    LinkChoiceLock() : fd_(::open("/tmp", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~LinkChoiceLock() {
        if (fd_ >= 0) ::close(fd_);
    }

private:
    int fd_;
};

// What the servers of this process had last: unixODBC caches the data source's address and port.
std::optional<int> lastLoopbackPort;
std::optional<int> lastSubnet;
int serverSerial = 0;

// pgShell, with a preamble of the caller's ahead of the snippet; a failure names the snippet only.
QString runWithPgSh(const QString& preamble, const QString& snippet) {
    QProcess bash;
    const QString source = QStringLiteral("set -e; . %1/scripts/lib/pg.sh\n").arg(quoted(QStringLiteral(R205730_SOURCE_DIR)));
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), source + preamble + snippet});
    if (!bash.waitForStarted()) throw failure(QStringLiteral("cannot start bash: ") + bash.errorString());
    const bool finished = bash.waitForFinished(120000);
    if (!finished) {
        bash.kill();
        bash.waitForFinished();
    }
    const QByteArray errors = bash.readAllStandardError();
    if (!finished || bash.exitStatus() != QProcess::NormalExit || bash.exitCode() != 0)
        throw failure(QStringLiteral("pg.sh snippet failed (%1): %2: %3")
                          .arg(finished ? QStringLiteral("exit %1").arg(bash.exitCode()) : QStringLiteral("timed out"),
                               snippet.simplified().left(300), QString::fromUtf8(errors).trimmed()));
    if (!errors.isEmpty()) std::fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
    return QString::fromUtf8(bash.readAllStandardOutput());
}

}  // namespace

QString pgShell(const QString& snippet) { return runWithPgSh(QString(), snippet); }

// ---- PgServer ----------------------------------------------------------------------------------

PgServer::PgServer(Placement placement) : placement_(placement) {
    ++serverSerial;
    sweepLeftovers();
    password_ = QString::number(QRandomGenerator::system()->generate64(), 16);
    try {
        if (placement_ == Placement::Namespace) {
            if (::geteuid() != 0) throw failure(QStringLiteral("a network namespace needs root"));
            makeLink();
        } else {
            host_ = QStringLiteral("127.0.0.1");
        }
        makeCluster();
    } catch (const std::exception& e) {
        problem_ = QString::fromUtf8(e.what());
        tearDown();
        return;
    }
    for (const char* name : pgVariables)
        savedEnvironment_.append(
            {QByteArray(name), qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv("R205730_PG_HOST", host_.toUtf8());
    qputenv("R205730_PG_PORT", QByteArray::number(port_));
    qputenv("R205730_PG_USER", "edi_test");
    qputenv("R205730_PG_PASSWORD", password_.toUtf8());
    qputenv("R205730_PG_DATABASE", "edi_test");
    qputenv("R205730_PG_DIR", dir_.toUtf8());
}

PgServer::~PgServer() {
    tearDown();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

// Runs a snippet that knows this server: $D (folder), $PORT, $OPTS (the server's options), $NS,
// $H and $P (the link's ends), and pg_here, which runs a command as the owner where the server lives.
QString PgServer::shell(const QString& snippet) const {
    return runWithPgSh(QStringLiteral("D=%1; PORT=%2; OPTS=%3; NS=%4; H=%5; P=%6; PEER=%7\n"
                                      "pg_here() { if [ -n \"$NS\" ]; then ip netns exec \"$NS\" runuser -u postgres -- \"$@\"; "
                                      "else pg_as_owner \"$@\"; fi; }\n")
                           .arg(quoted(dir_), QString::number(port_), quoted(serverOptions()), quoted(netns_),
                                quoted(hostLink_), quoted(serverLink_), quoted(peerAddress_)),
                       snippet);
}

QString PgServer::serverOptions() const {
    return QStringLiteral("-c listen_addresses=%1 -c port=%2 -c unix_socket_directories=%3 -c fsync=off")
        .arg(host_, QString::number(port_), dir_);
}

// A namespace with one veth pair to this one on a /30 that no route here covers but the default.
void PgServer::makeLink() {
    const qint64 pid = ::getpid();
    netns_ = QStringLiteral("r205730-%1-%2").arg(pid).arg(serverSerial);
    hostLink_ = QStringLiteral("r2h%1x%2").arg(pid).arg(serverSerial % 10000);
    serverLink_ = QStringLiteral("r2n%1x%2").arg(pid).arg(serverSerial % 10000);
    const int preferred = lastSubnet.value_or(int(pid % 250) + 1);
    const LinkChoiceLock lock;
    linkMade_ = true;  // from here on, tear down whatever part of it exists
    const QString subnet = shell(QStringLiteral("FIRST=%1\n").arg(preferred) + QStringLiteral(R"sh(
for k in $(seq 0 249); do
  n=$(( (FIRST - 1 + k) % 250 + 1 )); net=10.213.$n.0/30
  ip -4 route show table all to match $net | grep -qv '^default' && continue
  [ -z "$(ip -4 route show table all root $net)" ] || continue
  [ -z "$(ip -4 -o addr show to $net)" ] || continue
  found=$n; break
done
[ -n "${found:-}" ] || { echo "no free 10.213.N.0/30" >&2; exit 1; }
ip netns add "$NS"
ip link add "$H" type veth peer name "$P" netns "$NS"
ip addr add 10.213.$found.1/30 dev "$H"
ip -n "$NS" addr add 10.213.$found.2/30 dev "$P"
ip link set "$H" up
ip -n "$NS" link set lo up
ip -n "$NS" link set "$P" up
# Pinned neighbours: a failed ARP would answer "host unreachable" within seconds, no silence.
ip neigh replace 10.213.$found.2 lladdr "$(ip netns exec "$NS" cat /sys/class/net/$P/address)" dev "$H" nud permanent
ip -n "$NS" neigh replace 10.213.$found.1 lladdr "$(cat /sys/class/net/$H/address)" dev "$P" nud permanent
echo $found
)sh")).trimmed();
    lastSubnet = subnet.toInt();
    host_ = QStringLiteral("10.213.%1.2").arg(subnet);
    peerAddress_ = QStringLiteral("10.213.%1.1").arg(subnet);
}

// A test killed before its destructors ran (a suite's time-out) leaves its server, folder,
// namespace and link behind: those of processes that are gone are taken away here.
void PgServer::sweepLeftovers() {
    try {
        shell(QStringLiteral(R"sh(
for owned in /tmp/r205730-pg.*/owner; do
  [ -f "$owned" ] && [ ! -d "/proc/$(cat "$owned")" ] || continue
  data=${owned%/owner}/data
  [ -f "$data/postmaster.pid" ] && pg_as_owner "$(pg_bindir)/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  rm -rf "${owned%/owner}"
done
for ns in $(ip netns list | awk '{print $1}' | grep -E '^r205730-[0-9]+-[0-9]+$' || true); do
  owner=${ns#r205730-}; owner=${owner%-*}
  [ -d /proc/$owner ] && continue
  for p in $(ip netns pids "$ns"); do
    data=$(tr '\0' '\n' </proc/$p/cmdline 2>/dev/null | sed -n '/^-D$/{n;p;q}')
    case "$data" in /tmp/r205730-pg.*/data)
      pg_as_owner "$(pg_bindir)/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
      rm -rf "${data%/data}";;
    esac
  done
  ip netns pids "$ns" | xargs -r kill -KILL 2>/dev/null || true
  ip netns del "$ns" 2>/dev/null || true
done
for link in $(ip -o link show | grep -oE 'r2h[0-9]+x[0-9]+' | sort -u || true); do
  owner=${link#r2h}; owner=${owner%x*}
  [ -d /proc/$owner ] || ip link del "$link" 2>/dev/null || true
done)sh"));
    } catch (const std::exception& e) {
        qWarning("cannot sweep what killed tests left: %s", e.what());
    }
}

void PgServer::makeCluster() {
    // The owner's pid lets a later server sweep it away should this process be killed.
    dir_ = shell(QStringLiteral(R"sh(d=$(mktemp -d /tmp/r205730-pg.XXXXXX); chmod 700 "$d"; echo %1 >"$d/owner"
[ "$(id -u)" -eq 0 ] && chown postgres: "$d"; echo "$d")sh")
                     .arg(::getpid()))
               .trimmed();
    shell(QStringLiteral(R"sh(
pg_as_owner "$(pg_bindir)/initdb" -D "$D/data" -U postgres -E UTF8 --locale=C.UTF-8 \
  --auth-local=trust --auth-host=scram-sha-256 >"$D/initdb.log" 2>&1 || { cat "$D/initdb.log" >&2; exit 1; }
[ -z "$PEER" ] || echo "host all all $PEER/32 scram-sha-256" >>"$D/data/pg_hba.conf"
)sh"));
    // Inside its own namespace the usual port is free; on loopback the last one of this process if it still is.
    QList<int> ports;
    if (placement_ == Placement::Namespace) {
        ports = {5432};
    } else {
        if (lastLoopbackPort) ports.append(*lastLoopbackPort);
        while (ports.size() < 8) ports.append(20000 + int(QRandomGenerator::global()->bounded(40000)));
    }
    QString lastProblem;
    for (const int candidate : std::as_const(ports)) {
        port_ = candidate;
        try {
            if (placement_ == Placement::Loopback &&
                !shell(QStringLiteral("pg_port_in_use $PORT && echo used || true")).trimmed().isEmpty())
                continue;
            start();
            lastProblem.clear();
            break;
        } catch (const std::exception& e) {
            lastProblem = QString::fromUtf8(e.what());
        }
    }
    if (!lastProblem.isEmpty() || !QFile::exists(dir_ + QStringLiteral("/data/postmaster.pid"))) {
        port_ = 0;
        throw failure(QStringLiteral("the server did not start: ") + lastProblem);
    }
    if (placement_ == Placement::Loopback) lastLoopbackPort = port_;
    shell(QStringLiteral(R"sh(pg_as_owner "$(pg_bindir)/psql" -X -q -v ON_ERROR_STOP=1 -h "$D" -p "$PORT" -U postgres -d postgres >/dev/null <<SQL
CREATE ROLE edi_test LOGIN CREATEDB PASSWORD '%1';
CREATE DATABASE edi_test OWNER edi_test ENCODING 'UTF8' TEMPLATE template0;
SQL
)sh")
              .arg(password_));
}

// Also what is left when the constructor failed halfway.
void PgServer::tearDown() {
    try {
        if (!dir_.isEmpty())
            shell(QStringLiteral(R"sh(
if [ -f "$D/data/postmaster.pid" ]; then
  pg_as_owner "$(pg_bindir)/pg_ctl" -D "$D/data" -m immediate -w -t 30 stop >/dev/null 2>&1 ||
    kill -KILL "$(head -n1 "$D/data/postmaster.pid")" 2>/dev/null || true
fi
rm -rf "$D")sh"));
        if (linkMade_)
            shell(QStringLiteral(R"sh(
ip link del "$H" 2>/dev/null || true
ip netns del "$NS" 2>/dev/null || true)sh"));
    } catch (const std::exception& e) {
        qWarning("cannot remove the test's PostgreSQL server: %s", e.what());
    }
    dir_.clear();
    linkMade_ = false;
}

void PgServer::stop() { shell(QStringLiteral(R"sh(pg_here "$(pg_bindir)/pg_ctl" -D "$D/data" -m fast -w -t 30 stop >/dev/null)sh")); }

void PgServer::start() {
    shell(QStringLiteral(
        R"sh(pg_here "$(pg_bindir)/pg_ctl" -D "$D/data" -l "$D/server.log" -w -t 30 -o "$OPTS" start >/dev/null)sh"));
}

void PgServer::restart() {
    shell(QStringLiteral(
        R"sh(pg_here "$(pg_bindir)/pg_ctl" -D "$D/data" -l "$D/server.log" -m fast -w -t 30 -o "$OPTS" restart >/dev/null)sh"));
}

void PgServer::terminateSessions(const QString& database) {
    shell(QStringLiteral(R"sh(pg_as_owner "$(pg_bindir)/psql" -X -q -At -v ON_ERROR_STOP=1 -h "$D" -p "$PORT" -U postgres -d postgres -v db=%1 >/dev/null <<'SQL'
SELECT count(pg_terminate_backend(pid, 10000)) FROM pg_stat_activity
 WHERE datname = :'db' AND backend_type = 'client backend' AND pid <> pg_backend_pid();
SQL
)sh")
              .arg(quoted(database)));
}

void PgServer::createRole(const QString& name, const QString& password) {
    shell(QStringLiteral(R"sh(pg_as_owner "$(pg_bindir)/psql" -X -q -v ON_ERROR_STOP=1 -h "$D" -p "$PORT" -U postgres -d postgres -v name=%1 -v password=%2 >/dev/null <<'SQL'
CREATE ROLE :"name" LOGIN PASSWORD :'password' IN ROLE edi_test;
SQL
)sh")
              .arg(quoted(name), quoted(password)));
}

void PgServer::silenceLine() {
    if (placement_ != Placement::Namespace) throw failure(QStringLiteral("silenceLine needs a server in a namespace"));
    shell(QStringLiteral(R"sh(ip -n "$NS" link set "$P" down)sh"));
}

void PgServer::restoreLine() {
    if (placement_ != Placement::Namespace) throw failure(QStringLiteral("restoreLine needs a server in a namespace"));
    // Taking the link down dropped the namespace's pinned neighbour.
    shell(QStringLiteral(R"sh(ip -n "$NS" link set "$P" up
ip -n "$NS" neigh replace "$PEER" lladdr "$(cat /sys/class/net/$H/address)" dev "$P" nud permanent)sh"));
}

// ---- SqliteLockHolder --------------------------------------------------------------------------

struct SqliteLockHolder::Shell {
    QProcess process;
};

SqliteLockHolder::SqliteLockHolder(const QString& file) : shell_(std::make_unique<Shell>()) {
    QProcess& p = shell_->process;
    // -bail: a BEGIN that fails ends the shell before it can say it holds the lock.
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), file});
    if (!p.waitForStarted()) throw failure(QStringLiteral("cannot start sqlite3: ") + p.errorString());
    p.write(".timeout 5000\nBEGIN EXCLUSIVE;\nSELECT 'lock-held';\n");
    QByteArray said;
    const QDeadlineTimer deadline(10000);
    while (!said.contains("lock-held") && p.state() == QProcess::Running && !deadline.hasExpired()) {
        p.waitForReadyRead(int(deadline.remainingTime()));
        said += p.readAllStandardOutput();
    }
    if (!said.contains("lock-held")) {
        p.kill();
        p.waitForFinished();
        throw failure(QStringLiteral("sqlite3 could not lock %1: %2")
                          .arg(file, QString::fromUtf8(p.readAllStandardError()).trimmed()));
    }
}

SqliteLockHolder::~SqliteLockHolder() { release(); }

void SqliteLockHolder::release() {
    QProcess& p = shell_->process;
    if (p.state() == QProcess::NotRunning) return;
    p.write("ROLLBACK;\n.quit\n");
    p.closeWriteChannel();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
    }
}

// ---- SmallFileSystem ---------------------------------------------------------------------------

SmallFileSystem::SmallFileSystem(qint64 bytes) {
    QByteArray folder = "/tmp/r205730-fs.XXXXXX";
    if (!::mkdtemp(folder.data())) {
        problem_ = systemError(QStringLiteral("cannot make a temporary folder"));
        return;
    }
    path_ = QString::fromLocal8Bit(folder);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("r205730-small", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, options.constData()) != 0) {
        problem_ = systemError(QStringLiteral("cannot mount a tmpfs on ") + path_);
        ::rmdir(folder.constData());
        return;
    }
    mounted_ = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (path_.isEmpty() || !problem_.isEmpty()) return;
    const QByteArray folder = QFile::encodeName(path_);
    // Still open (a connection the test did not close): detached now, freed when the last file closes.
    if (mounted_ && ::umount2(folder.constData(), 0) != 0 && ::umount2(folder.constData(), MNT_DETACH) != 0)
        qWarning("%s", qPrintable(systemError(QStringLiteral("cannot unmount ") + path_)));
    else if (::rmdir(folder.constData()) != 0)
        qWarning("%s", qPrintable(systemError(QStringLiteral("cannot remove ") + path_)));
}

void SmallFileSystem::fill() {
    const QByteArray file = QFile::encodeName(path_ + QStringLiteral("/filler"));
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) throw failure(systemError(QStringLiteral("cannot make the filler")));
    static const QByteArray zeros(1 << 16, '\0');
    // Smaller and smaller writes take the last partly used page too.
    for (qsizetype chunk = zeros.size(); chunk > 0; chunk /= 4) {
        for (;;) {
            const ssize_t written = ::write(fd, zeros.constData(), size_t(chunk));
            if (written > 0 || (written < 0 && errno == EINTR)) continue;
            if (written == 0 || errno == ENOSPC) break;
            const QString problem = systemError(QStringLiteral("cannot fill ") + path_);
            ::close(fd);
            throw failure(problem);
        }
    }
    ::close(fd);
}

void SmallFileSystem::makeRoom() { QFile::remove(path_ + QStringLiteral("/filler")); }

// ---- Files -------------------------------------------------------------------------------------

void replaceFile(const QString& path, const QString& with) {
    const QString beside = path + QStringLiteral(".replacing");
    QFile::remove(beside);
    if (!QFile::copy(with, beside)) throw failure(QStringLiteral("cannot copy %1 beside %2").arg(with, path));
    if (::rename(QFile::encodeName(beside).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString problem = systemError(QStringLiteral("cannot rename over ") + path);
        QFile::remove(beside);
        throw failure(problem);
    }
}

void damageFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        throw failure(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        throw failure(path + QStringLiteral(" is not a SQLite database"));
    const auto byte = [&header](int at) { return quint32(quint8(header[at])); };
    const quint32 pageSize = byte(16) << 8 | byte(17);
    const qint64 firstPage = pageSize == 1 ? 65536 : pageSize;
    if (file.size() <= firstPage) throw failure(path + QStringLiteral(" has no page after the first to damage"));

    QByteArray garbage(file.size() - firstPage, Qt::Uninitialized);
    quint32 state = 2463534242u;  // the same garbage every run
    for (char& c : garbage) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = char(state);
    }
    // The change counter and the one the page count is valid for, moved on together.
    const quint32 counter = (byte(24) << 24 | byte(25) << 16 | byte(26) << 8 | byte(27)) + 1;
    const char counterBytes[4] = {char(counter >> 24), char(counter >> 16), char(counter >> 8), char(counter)};
    const bool written = file.seek(firstPage) && file.write(garbage) == garbage.size() && file.seek(24) &&
                         file.write(counterBytes, 4) == 4 && file.seek(92) && file.write(counterBytes, 4) == 4 &&
                         file.flush();
    if (!written) throw failure(QStringLiteral("cannot damage %1: %2").arg(path, file.errorString()));
    ::fsync(file.handle());
}

}  // namespace faults
