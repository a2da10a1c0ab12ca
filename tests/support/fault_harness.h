// Failures of the program's surroundings made for real, for tests on both engines: a PostgreSQL
// server of the test's own that stops, restarts, cuts its sessions or goes silent behind a network
// namespace; a TCP relay that resets connections at a chosen statement; another program holding
// the SQLite write lock; a full file system; a database file replaced or damaged underneath.
//
//   faults::PgServer server;                                   // before the first TestDatabase
//   TestDatabase database(TestDatabase::Engine::PostgreSQL);   // lives on that server
//   faults::TcpProxy proxy(server.host(), server.port());
//   database.addDataSource("EDI_PROXY", {{"Port", QString::number(proxy.port())}, {"Servername", "127.0.0.1"}});
//   proxy.resetAfterAnswerTo("COMMIT");                        // committed, but the client never hears it
//
// Everything made here is taken away again by the destructors: servers, folders, mounts, network
// namespaces and links. Traffic stays on loopback or inside the namespaces made here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <optional>

namespace faults {

// Runs a bash snippet with scripts/lib/pg.sh sourced (and "set -e"); its standard output. Throws
// std::runtime_error when it fails or takes over two minutes; the message ends with its stderr.
QString pgShell(const QString& snippet);

// A PostgreSQL cluster of the test's own (initdb in a temporary folder, as pg_start does), so that
// stopping it leaves the suite's shared server alone. Runs as the postgres user.
//
// Loopback: listens on 127.0.0.1. Namespace: the server runs inside a network namespace made for
// it, joined to this one by a veth pair on a private /30 (10.213.N.0/30, N free of routes here);
// it listens only on its end (.2) and this process reaches it from .1.
//
// The constructor points R205730_PG_HOST, _PORT, _USER, _PASSWORD, _DATABASE and _DIR at it for
// every TestDatabase made afterwards; the destructor stops it, removes its folder, namespace and
// link, and puts the previous values back. unixODBC keeps what it read from odbc.ini for 20 s, so
// the servers of one process keep one address and port where they can (same placement, port still
// free): make the server before the first TestDatabase of the process, or keep it for all of them.
//
// Its own sessions (terminateSessions, the set-up) go through its Unix socket, so they work while
// the line is silent. A TestDatabase's own connection goes over TCP: restore the line before it
// is destroyed, or its clean-up waits for TCP to give up. What a killed test process left (its
// server, folder, namespace and link) is swept away by the next PgServer made on the machine.
class PgServer {
public:
    enum class Placement { Loopback, Namespace };

    explicit PgServer(Placement placement = Placement::Loopback);
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // False when it could not be made (not root, no ip netns, initdb failed...); problem() says why.
    bool isReady() const { return problem_.isEmpty(); }
    QString problem() const { return problem_; }
    Placement placement() const { return placement_; }
    QString host() const { return host_; }
    int port() const { return port_; }
    // The cluster's folder: data/, server.log and the Unix socket.
    QString folder() const { return dir_; }

    // pg_ctl stop -m fast: every session is cut.
    void stop();
    void start();
    // pg_ctl restart -m fast.
    void restart();
    // pg_terminate_backend of every client session on that database, waiting until they are gone.
    void terminateSessions(const QString& database);
    // Another login role with that password (any characters), a member of the test role so that
    // it reaches what the test role owns. Goes with the server.
    void createRole(const QString& name, const QString& password);
    // Namespace placement only: the namespace's end of the link goes down, so packets vanish with
    // no RST and no ICMP (the neighbours are pinned, no failed ARP tells either side): a silent
    // line. Open connections hang in retransmission, new ones in SYN retries.
    void silenceLine();
    void restoreLine();

private:
    QString shell(const QString& snippet) const;
    QString serverOptions() const;
    void makeLink();
    void sweepLeftovers();
    void makeCluster();
    void tearDown();

    Placement placement_;
    QString problem_;
    QString dir_;
    QString host_;
    int port_ = 0;
    QString password_;
    QString netns_;
    QString hostLink_;
    QString serverLink_;
    QString peerAddress_;
    bool linkMade_ = false;
    QList<QPair<QByteArray, std::optional<QByteArray>>> savedEnvironment_;
};

// A TCP relay on 127.0.0.1 between clients (the program's psqlODBC connection) and a PostgreSQL
// server, on a thread of its own: it keeps relaying while the test's thread is blocked in ODBC.
class TcpProxy {
public:
    // Throws std::runtime_error when the host cannot be resolved or no port can be had.
    TcpProxy(const QString& host, int port);
    ~TcpProxy();
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    // The local port clients connect to.
    int port() const;
    int connectionsAccepted() const;
    // Every relayed connection reset now (RST to both sides), done when it returns; new
    // connections are still accepted.
    void resetAll();
    // The next client->server bytes containing marker (e.g. "COMMIT") are forwarded; the server's
    // reply (up to its ReadyForQuery) is swallowed; then both sides are reset: the server did it,
    // the client never learns it. thenRefuse: from then on new connections are refused as well.
    void resetAfterAnswerTo(const QByteArray& marker, bool thenRefuse = false);
    // New connections reset at once (on), or relayed again (off).
    void refuseNewConnections(bool on);
    // The next client->server bytes containing marker are not forwarded; both sides are reset.
    void resetBefore(const QByteArray& marker);
    // True once an armed reset (either of the two above) has fired.
    bool fired() const;

private:
    struct Relay;
    std::unique_ptr<Relay> relay_;
};

// Another program holding the SQLite write lock: the sqlite3 shell in a child process, which ran
// BEGIN EXCLUSIVE on the file. Returns once the lock is held (throws std::runtime_error when it
// cannot be had within 5 s) and keeps it until release() or destruction. A rollback-journal
// database then refuses readers too; a statement that touches no table (SELECT 1) is not refused.
class SqliteLockHolder {
public:
    explicit SqliteLockHolder(const QString& file);
    ~SqliteLockHolder();
    SqliteLockHolder(const SqliteLockHolder&) = delete;
    SqliteLockHolder& operator=(const SqliteLockHolder&) = delete;

    void release();

private:
    struct Shell;
    std::unique_ptr<Shell> shell_;
};

// A small tmpfs mounted on a temporary folder; unmounted (lazily if busy) and removed on
// destruction. Needs root.
class SmallFileSystem {
public:
    explicit SmallFileSystem(qint64 bytes = 1 << 20);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isReady() const { return problem_.isEmpty(); }
    QString problem() const { return problem_; }
    QString path() const { return path_; }
    // A filler file takes every free byte (new empty files can still be made).
    void fill();
    // The filler removed.
    void makeRoom();

private:
    QString path_;
    QString problem_;
    bool mounted_ = false;
};

// A backup put back while the program runs: `with` copied beside `path` and renamed over it (a
// new inode at the same path). Throws std::runtime_error on failure.
void replaceFile(const QString& path, const QString& with);

// Damages a SQLite database file: its pages after the first are overwritten with garbage (the
// same every time). The header page stays, so it still opens; only its change counter is moved on
// so that connections already open drop what they cached. Throws std::runtime_error when the file
// cannot be written or has no page after the first.
void damageFile(const QString& path);

}  // namespace faults
