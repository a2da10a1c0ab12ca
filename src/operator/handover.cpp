// The hand-over of the command line as the operator code (the operator dialogs are never opened here).
#include "operator/operator.h"

#include "operator/dialogs.h"
#include "platform/cp932.h"
#include "platform/platform.h"
#include "core/workarea.h"

QString signOnResult;

namespace {
bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000); }
}  // namespace

void handOverOperator(const QString& commandLine) {
    try {
        signOnResult = QStringLiteral("00");
        // Spaces, tabs and full-width spaces around the code go; those inside stay.
        qsizetype begin = 0;
        qsizetype end = commandLine.size();
        while (begin < end && isBlank(commandLine.at(begin))) ++begin;
        while (end > begin && isBlank(commandLine.at(end - 1))) --end;
        workarea.operatorCode = commandLine.mid(begin, end - begin);
    } catch (const std::exception& e) {
        platform::fatal(QStringLiteral("オペレータ入力エラー"), QStringLiteral("operator hand-over: ") + e.what());
    }
}

void completeSignOn() {
    signOnResult = QStringLiteral("00");
    workarea.operatorCode = platform::trimSpaces(foundOperator.code);
    workarea.operatorName = platform::trimSpaces(foundOperator.name);
    workarea.operatorImeMode = foundOperator.imeMode;
    workarea.operatorLevel = foundOperator.level;
    signOnDialog().unload();
}

void cancelSignOn() {
    signOnResult = QStringLiteral("01");
    workarea.operatorCode.clear();
    workarea.operatorName.clear();
    workarea.operatorImeMode = 0;
    workarea.operatorLevel = 0;
    signOnDialog().unload();
}
