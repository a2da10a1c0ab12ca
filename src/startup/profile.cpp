// The class cProfile: what the workstation says of itself (system, version, computer, user).
#include "startup/profile.h"

#include "platform/platform.h"
#include "core/workarea.h"

cProfile::cProfile() {
    const platform::SystemFacts f = platform::toolkit().systemFacts();
    switch (f.platformId) {
    case 1: os_ = QStringLiteral("Windows9x"); break;
    case 2: os_ = QStringLiteral("WindowsNT"); break;
    default: os_ = QStringLiteral("Unknown OS"); break;
    }
    ver_ = QStringLiteral("%1.%2").arg(f.majorVersion).arg(f.minorVersion);
    build_ = QString::number(f.buildNumber);
    const qsizetype nul = f.servicePack.indexOf(QChar(0));
    csdVer_ = nul < 0 ? f.servicePack : f.servicePack.left(nul);
    // A failed query only empties its property.
    domain_ = f.domain.value_or(QString());
    machine_ = f.computerName.value_or(QString());
    user_ = f.userName.value_or(QString());
}

short cProfile::reportError(const Failure& failure, QString& title) const {
    if (title.isEmpty()) title = QStringLiteral("System Error Reported By ") + failure.source;
    const QString message =
        QStringLiteral("Error Code ") + QString::number(failure.number) + QStringLiteral("\r\n") + failure.description;
    return static_cast<short>(platform::msgBox(message, platform::vbCritical | platform::vbOKOnly, title));
}

void fillProfile() {
    const cProfile profile;
    workarea.osName = profile.OS();
    workarea.osVersion = profile.Ver();
    workarea.logonUser = profile.User();
    workarea.machineName = profile.machine();
}
