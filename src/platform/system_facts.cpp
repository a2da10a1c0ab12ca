#include "platform/platform.h"

#include <QRegularExpression>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {

namespace {
std::optional<QString> nonEmpty(const char* s) {
    if (!s || !*s) return std::nullopt;
    return QString::fromLocal8Bit(s);
}
}  // namespace

SystemFacts hostSystemFacts() {
    SystemFacts f;
    utsname u{};
    if (uname(&u) == 0) {
        // "6.1.0-28-amd64": major 6, minor 1, build 0.
        static const QRegularExpression release(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
        const auto m = release.match(QString::fromLocal8Bit(u.release));
        if (m.hasMatch()) {
            f.majorVersion = m.captured(1).toInt();
            f.minorVersion = m.captured(2).toInt();
            f.buildNumber = m.captured(3).toUInt();
        }
        f.servicePack = QString::fromLocal8Bit(u.version);
    }
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0) f.computerName = nonEmpty(name);
    char domain[256] = {};
    if (getdomainname(domain, sizeof domain - 1) == 0 && QByteArray(domain) != "(none)") f.domain = nonEmpty(domain);
    if (const passwd* pw = getpwuid(geteuid())) f.userName = nonEmpty(pw->pw_name);
    else f.userName = nonEmpty(getenv("USER"));
    return f;
}

}  // namespace platform
