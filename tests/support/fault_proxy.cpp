// faults::TcpProxy: plain sockets and poll on a thread of its own, since the test's thread sits
// inside ODBC calls while the relay has to keep going.
#include "fault_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace faults {

namespace {

// Beyond this much unsent, the other side is not read: the relay passes on TCP's back pressure.
constexpr qsizetype maxPending = 1 << 20;

// RST rather than FIN: cut off as by a failed line or router, not told goodbye.
void resetSocket(int fd) {
    if (fd < 0) return;
    const linger abortive{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(fd);
}

// The server's ReadyForQuery: the whole answer to what the client sent has arrived.
bool hasReadyForQuery(const QByteArray& bytes) {
    static const QByteArray header("Z\0\0\0\x05", 5);
    for (qsizetype at = bytes.indexOf(header); at >= 0 && at + 5 < bytes.size(); at = bytes.indexOf(header, at + 1)) {
        const char status = bytes.at(at + 5);
        if (status == 'I' || status == 'T' || status == 'E') return true;
    }
    return false;
}

enum class Armed { Nothing, ResetAfterAnswer, ResetBefore };

// One client's connection and the server connection made for it; index 0 the client, 1 the server.
struct Link {
    int fd[2] = {-1, -1};
    QByteArray pending[2];  // bytes still to be written to fd[i]
    bool eof[2] = {false, false};
    bool shut[2] = {false, false};
    bool connecting = true;
    bool done = false;
    QByteArray clientTail;  // for a marker split between two reads
    bool swallowing = false;
    QByteArray swallowed;
};

}  // namespace

struct TcpProxy::Relay {
    sockaddr_storage server{};
    socklen_t serverLength = 0;
    int listener = -1;
    int wake[2] = {-1, -1};
    int port = 0;
    std::thread thread;

    std::mutex mutex;
    std::condition_variable resetDone;
    bool stopping = false;
    quint64 resetsAsked = 0;
    quint64 resetsMade = 0;
    Armed armed = Armed::Nothing;
    QByteArray marker;
    std::atomic<bool> fired{false};
    std::atomic<int> accepted{0};
    // New connections reset at once: the server out of reach.
    std::atomic<bool> refusing{false};
    bool refuseOnceFired = false;

    std::list<Link> links;  // only the relay's thread touches them

    void poke() const {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(wake[1], &c, 1);
    }

    void reset(Link& link) {
        resetSocket(link.fd[0]);
        resetSocket(link.fd[1]);
        link.fd[0] = link.fd[1] = -1;
        link.done = true;
    }

    void accept() {
        for (;;) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) return;
            ++accepted;
            if (refusing) {
                resetSocket(client);
                continue;
            }
            const int upstream = ::socket(server.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (upstream < 0) {
                resetSocket(client);
                continue;
            }
            Link& link = links.emplace_back();
            link.fd[0] = client;
            link.fd[1] = upstream;
            if (::connect(upstream, reinterpret_cast<const sockaddr*>(&server), serverLength) == 0)
                link.connecting = false;
            else if (errno != EINPROGRESS)
                reset(link);
        }
    }

    // What the client sent: looked at for the armed marker, then passed on (or not).
    void fromClient(Link& link, const QByteArray& bytes) {
        if (armed != Armed::Nothing) {
            const QByteArray seen = link.clientTail + bytes;
            if (seen.contains(marker)) {
                const Armed what = std::exchange(armed, Armed::Nothing);
                if (what == Armed::ResetBefore) {
                    fired = true;  // before the client can see the reset
                    reset(link);
                    return;
                }
                link.swallowing = true;
            }
            link.clientTail = seen.right(marker.size() - 1);
        }
        link.pending[1] += bytes;
    }

    void fromServer(Link& link, const QByteArray& bytes) {
        if (!link.swallowing) {
            link.pending[0] += bytes;
            return;
        }
        link.swallowed += bytes;
        if (hasReadyForQuery(link.swallowed)) {
            if (refuseOnceFired) refusing = true;  // before the client can try again
            fired = true;
            reset(link);
        }
    }

    void readFrom(Link& link, int side) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::recv(link.fd[side], buffer, sizeof buffer, 0);
            if (n > 0) {
                const QByteArray bytes(buffer, n);
                side == 0 ? fromClient(link, bytes) : fromServer(link, bytes);
                if (link.done || link.pending[1 - side].size() > maxPending) return;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n == 0) {
                link.eof[side] = true;
                // The server went away before it answered: the client is cut all the same.
                if (side == 1 && link.swallowing) {
                    fired = true;
                    reset(link);
                }
                return;
            }
            reset(link);  // reset by one side: the other one is reset too
            return;
        }
    }

    void writeTo(Link& link, int side) {
        QByteArray& bytes = link.pending[side];
        while (!bytes.isEmpty()) {
            const ssize_t n = ::send(link.fd[side], bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
            if (n > 0) {
                bytes.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            reset(link);
            return;
        }
    }

    // A side that said everything gets FIN once what it said is delivered; both done, closed.
    void passOnEnds(Link& link) {
        if (link.connecting) return;
        for (int side = 0; side < 2 && !link.done; ++side) {
            if (link.eof[1 - side] && link.pending[side].isEmpty() && !link.shut[side]) {
                ::shutdown(link.fd[side], SHUT_WR);
                link.shut[side] = true;
            }
        }
        if (!link.done && link.shut[0] && link.shut[1]) {
            ::close(link.fd[0]);
            ::close(link.fd[1]);
            link.fd[0] = link.fd[1] = -1;
            link.done = true;
        }
    }

    void run() {
        std::vector<pollfd> fds;
        std::vector<Link*> owners;
        for (;;) {
            fds.clear();
            owners.clear();
            fds.push_back({wake[0], POLLIN, 0});
            fds.push_back({listener, POLLIN, 0});
            for (Link& link : links) {
                for (int side = 0; side < 2; ++side) {
                    short events = 0;
                    if (side == 1 && link.connecting) {
                        events = POLLOUT;
                    } else {
                        if (!link.eof[side] && link.pending[1 - side].size() <= maxPending) events |= POLLIN;
                        if (!link.pending[side].isEmpty()) events |= POLLOUT;
                    }
                    // A side finished both ways would only report POLLHUP again and again.
                    fds.push_back({link.eof[side] && link.shut[side] ? -1 : link.fd[side], events, 0});
                    owners.push_back(&link);
                }
            }
            while (::poll(fds.data(), nfds_t(fds.size()), -1) < 0 && errno == EINTR) {
            }

            const std::lock_guard lock(mutex);
            if (fds[0].revents) {
                char drain[64];
                while (::read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            if (stopping) return;
            if (resetsAsked != resetsMade) {
                for (Link& link : links) reset(link);
                links.clear();
                resetsMade = resetsAsked;
                resetDone.notify_all();
                continue;
            }
            for (size_t i = 2; i < fds.size(); ++i) {
                Link& link = *owners[i - 2];
                const int side = int(i % 2);  // client first, then server, for every link
                const short revents = fds[i].revents;
                if (link.done || !revents) continue;
                if (side == 1 && link.connecting) {
                    int error = 0;
                    socklen_t length = sizeof error;
                    ::getsockopt(link.fd[1], SOL_SOCKET, SO_ERROR, &error, &length);
                    if (error != 0) {
                        reset(link);  // the server refused or is unreachable: so is the client
                        continue;
                    }
                    link.connecting = false;
                    writeTo(link, 1);
                    continue;
                }
                if (revents & (POLLIN | POLLHUP | POLLERR)) readFrom(link, side);
                if (!link.done && (revents & POLLOUT)) writeTo(link, side);
                // The other side's new bytes go out at once rather than at the next round.
                if (!link.done && !(side == 0 && link.connecting)) writeTo(link, 1 - side);
                if (!link.done) passOnEnds(link);
            }
            if (fds[1].revents) accept();
            links.remove_if([](const Link& link) { return link.done; });
        }
    }
};

TcpProxy::TcpProxy(const QString& host, int port) : relay_(std::make_unique<Relay>()) {
    Relay& r = *relay_;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints, &found);
    if (rc != 0 || !found) throw std::runtime_error("cannot resolve " + host.toStdString() + ": " + ::gai_strerror(rc));
    std::memcpy(&r.server, found->ai_addr, found->ai_addrlen);
    r.serverLength = found->ai_addrlen;
    ::freeaddrinfo(found);

    r.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (r.listener < 0 || ::bind(r.listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(r.listener, 64) != 0 || ::getsockname(r.listener, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        ::pipe2(r.wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        const std::string problem = std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno);
        if (r.listener >= 0) ::close(r.listener);
        throw std::runtime_error(problem);
    }
    r.port = ntohs(local.sin_port);
    r.thread = std::thread([&r] { r.run(); });
}

TcpProxy::~TcpProxy() {
    Relay& r = *relay_;
    {
        const std::lock_guard lock(r.mutex);
        r.stopping = true;
    }
    r.poke();
    r.thread.join();
    for (Link& link : r.links)
        for (const int fd : link.fd)
            if (fd >= 0) ::close(fd);
    ::close(r.listener);
    ::close(r.wake[0]);
    ::close(r.wake[1]);
}

int TcpProxy::port() const { return relay_->port; }

int TcpProxy::connectionsAccepted() const { return relay_->accepted; }

void TcpProxy::resetAll() {
    Relay& r = *relay_;
    std::unique_lock lock(r.mutex);
    const quint64 ticket = ++r.resetsAsked;
    r.poke();
    r.resetDone.wait(lock, [&r, ticket] { return r.resetsMade >= ticket; });
}

void TcpProxy::resetAfterAnswerTo(const QByteArray& marker, bool thenRefuse) {
    const std::lock_guard lock(relay_->mutex);
    relay_->armed = Armed::ResetAfterAnswer;
    relay_->marker = marker;
    relay_->fired = false;
    relay_->refuseOnceFired = thenRefuse;
}

void TcpProxy::refuseNewConnections(bool on) { relay_->refusing = on; }

void TcpProxy::resetBefore(const QByteArray& marker) {
    const std::lock_guard lock(relay_->mutex);
    relay_->armed = Armed::ResetBefore;
    relay_->marker = marker;
    relay_->fired = false;
}

bool TcpProxy::fired() const { return relay_->fired; }

}  // namespace faults
