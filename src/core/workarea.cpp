#include "core/workarea.h"

#include "platform/cp932.h"

WorkArea workarea;

QString Fixed50::trimmed() const { return platform::trimSpaces(text_); }

QString screenModeText(ScreenMode mode) {
    return mode == ScreenMode::Head ? QStringLiteral("HEAD") : QStringLiteral("BODY");
}

void resetWorkArea() { workarea = WorkArea(); }
