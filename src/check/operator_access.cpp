#include "operator_access.h"

#include <QFile>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace check {

namespace {

constexpr unsigned fallbackNobody = 65534;
const char* const operatorsGroup = "r205730";

QString nameOfUser(uid_t uid) {
    const passwd* p = ::getpwuid(uid);
    return p ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

}  // namespace

std::optional<OperatorIdentity> operatorIdentity(const QString& userName, QString& problem) {
    OperatorIdentity id;
    if (::geteuid() != 0) {
        const QString self = nameOfUser(::geteuid());
        if (!userName.isEmpty() && userName != self) {
            problem =
                QStringLiteral("--user %1 は root で実行したときだけ使えます (実行した利用者: %2)").arg(userName, self);
            return std::nullopt;
        }
        id.uid = ::geteuid();
        id.gid = ::getegid();
        id.description = QStringLiteral("実行した利用者 %1").arg(self);
        return id;
    }
    id.switched = true;
    if (!userName.isEmpty()) {
        const passwd* p = ::getpwnam(QFile::encodeName(userName).constData());
        if (!p) {
            problem = QStringLiteral("利用者 %1 がいません").arg(userName);
            return std::nullopt;
        }
        id.uid = p->pw_uid;
        id.gid = p->pw_gid;
        int count = 64;
        std::vector<gid_t> groups(count);
        if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count) < 0) {
            groups.resize(count);
            ::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &count);
        }
        for (int i = 0; i < count; ++i)
            id.groups.append(groups[size_t(i)]);
        id.description = QStringLiteral("利用者 %1").arg(userName);
        return id;
    }
    const passwd* nobody = ::getpwnam("nobody");
    id.uid = nobody ? nobody->pw_uid : fallbackNobody;
    if (const group* operators = ::getgrnam(operatorsGroup)) {
        id.gid = operators->gr_gid;
        id.groups = {id.gid};
        id.description = QStringLiteral(
                             "グループ %1 の操作者 (root で実行したため、そのグループだけに属する nobody として。"
                             "操作者を指定するには --user)")
                             .arg(QString::fromLatin1(operatorsGroup));
    } else {
        const group* nogroup = ::getgrnam("nogroup");
        id.gid = nogroup ? nogroup->gr_gid : fallbackNobody;
        id.groups = {id.gid};
        id.description = QStringLiteral(
                             "どの操作者も (root で実行し、グループ %1 がないため nobody として。"
                             "操作者を指定するには --user)")
                             .arg(QString::fromLatin1(operatorsGroup));
    }
    return id;
}

void askAccess(const OperatorIdentity& identity, QList<PathAccess>& paths) {
    std::vector<QByteArray> names;
    std::vector<int> modes;
    for (const PathAccess& p : paths) {
        names.push_back(QFile::encodeName(p.path));
        modes.push_back(p.mode);
    }
    if (!identity.switched) {
        for (qsizetype i = 0; i < paths.size(); ++i)
            paths[i].error = ::access(names[size_t(i)].constData(), modes[size_t(i)]) == 0 ? 0 : errno;
        return;
    }
    // The child becomes the operator and only asks; everything it needs is prepared before, so
    // that it allocates nothing.
    std::vector<gid_t> groups(identity.groups.begin(), identity.groups.end());
    std::vector<int> answers(size_t(paths.size()), unanswered);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(identity.gid) != 0 ||
            ::setuid(identity.uid) != 0)
            ::_exit(1);
        for (size_t i = 0; i < names.size(); ++i) {
            const int error = ::access(names[i].constData(), modes[i]) == 0 ? 0 : errno;
            if (::write(pipeEnds[1], &error, sizeof error) != sizeof error) ::_exit(1);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    if (child > 0) {
        for (size_t i = 0; i < answers.size(); ++i)
            if (::read(pipeEnds[0], &answers[i], sizeof(int)) != sizeof(int)) break;
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ::close(pipeEnds[0]);
    for (qsizetype i = 0; i < paths.size(); ++i)
        paths[i].error = answers[size_t(i)];
}

}  // namespace check
