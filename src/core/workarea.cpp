#include "core/workarea.h"

#include "platform/cp932.h"

WorkArea workarea;

QString Fixed50::trimmed() const { return platform::trimSpaces(text_); }

void resetWorkArea() { workarea = WorkArea(); }
