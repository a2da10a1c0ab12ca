#include "platform/platform.h"

#include "platform/qt_toolkit.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
QtToolkit qtToolkit;
Toolkit* current = &qtToolkit;
int pointerShown = vbDefault;
}  // namespace

Toolkit& toolkit() { return *current; }

void setToolkit(Toolkit* tk) {
    current = tk ? tk : &qtToolkit;
    pointerShown = vbDefault;
}

QString maskSecrets(const QString& line) {
    // PWD= of a connect string, braced (a closing brace doubled inside) or up to the next semicolon.
    static const QRegularExpression connectKey(QStringLiteral("\\b(PWD\\s*=\\s*)(\\{(?:[^}]|\\}\\})*\\}?|[^;]*)"),
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
        const auto* surroundings = dynamic_cast<const SurroundingsFailure*>(&e);
        const QString sentence = surroundings ? surroundings->operatorSentence() : QString();
        if (sentence.isEmpty()) return reportUnhandled(QString::fromUtf8(e.what()));
        logDetail(QStringLiteral("action stopped: ") + QString::fromUtf8(e.what()));
        try {
            msgBox(sentence, vbOKOnly | vbExclamation);
        } catch (const ProgramEnded&) {
        }
    } catch (...) {
        reportUnhandled(QString());
    }
}

void runStartup(const std::function<void()>& startup) {
    try {
        startup();
    } catch (const ProgramEnded&) {
    } catch (const std::exception& e) {
        reportUnhandled(QString::fromUtf8(e.what()));
    } catch (...) {
        reportUnhandled(QString());
    }
}

void setMousePointer(int code) {
    pointerShown = code;
    current->setMousePointer(code);
}

int mousePointer() { return pointerShown; }

BusyPointer::BusyPointer() : previous_(pointerShown) {
    if (previous_ != vbHourglass) setMousePointer(vbHourglass);
}

BusyPointer::~BusyPointer() {
    if (pointerShown != previous_) setMousePointer(previous_);
}

}  // namespace platform
