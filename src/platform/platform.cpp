#include "platform/platform.h"

#include "platform/qt_toolkit.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
QtToolkit qtToolkit;
Toolkit* current = &qtToolkit;
}  // namespace

Toolkit& toolkit() { return *current; }

void setToolkit(Toolkit* tk) { current = tk ? tk : &qtToolkit; }

QString maskSecrets(const QString& line) {
    // PWD= of a connect string, braced or up to the next semicolon.
    static const QRegularExpression connectKey(QStringLiteral("\\b(PWD\\s*=\\s*)(\\{[^}]*\\}?|[^;]*)"),
                                               QRegularExpression::CaseInsensitiveOption);
    // A password compared with or assigned in a statement: the quoted value, doubled apostrophes included.
    static const QRegularExpression statementValue(
        QStringLiteral("((?:パスワード|PASSWORD|PASSWD|PWD)\"?\\s*=\\s*N?')((?:[^']|'')*)('?)"),
        QRegularExpression::CaseInsensitiveOption);
    QString masked = line;
    masked.replace(statementValue, QStringLiteral("\\1***\\3"));
    masked.replace(connectKey, QStringLiteral("\\1***"));
    return masked;
}

void logDetail(const QString& line) {
    QString oneLine = maskSecrets(line);
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "R205730: %s\n", oneLine.toUtf8().constData());
    std::fflush(stderr);
}

int msgBox(const QString& text, int style, const QString& caption) {
    logDetail(QStringLiteral("message: ") + text);
    return current->messageBox(text, style, caption.isEmpty() ? programTitle : caption);
}

void fatal(const QString& message, const QString& detail) {
    if (!detail.isEmpty()) logDetail(detail);
    msgBox(message, vbOKOnly);
    current->endProgram(1);
    std::abort();  // endProgram does not return
}

namespace {
void reportUnhandled(const QString& description) {
    try {
        // The operator reads what happened in a sentence of the program's own; the detail follows.
        const QString lead = QStringLiteral("予期しないエラーが発生したため終了します");
        fatal(description.isEmpty() ? lead : lead + QStringLiteral("\n") + description,
              QStringLiteral("unhandled failure: ") + description);
    } catch (const ProgramEnded&) {
    }
}
}  // namespace

void runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ProgramEnded&) {
        // A scripted end of program: nothing more runs in this handler.
    } catch (const std::exception& e) {
        reportUnhandled(QString::fromUtf8(e.what()));
    } catch (...) {
        reportUnhandled(QString());
    }
}

}  // namespace platform
