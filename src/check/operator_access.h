// Whether an operator may read and write a path, answered by the kernel (access(2)) for the
// operator's own identity: run as root the check would otherwise see root's, who may write anything.
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace check {

struct OperatorIdentity {
    bool switched = false;  // root asking for someone else
    unsigned uid = 0;
    unsigned gid = 0;
    QList<unsigned> groups;
    QString description;  // for the report
};

// Not root: the running user (userName must then be empty or the running user). Root: userName's
// identity, or without one, an unprivileged user (nobody) in the operators' group r205730, or in
// no group when there is none. Nothing, with `problem` set, when the user is unknown.
std::optional<OperatorIdentity> operatorIdentity(const QString& userName, QString& problem);

struct PathAccess {
    QString path;
    int mode = 0;   // R_OK, W_OK, X_OK as access(2) takes them
    int error = 0;  // errno of the refusal; 0 when allowed; unanswered when the child could not ask
};
inline constexpr int unanswered = -1;

// Asks for every path at once; as root through a child that drops to the identity first.
void askAccess(const OperatorIdentity& identity, QList<PathAccess>& paths);

}  // namespace check
