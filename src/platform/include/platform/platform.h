// The toolkit seam: everything the program asks of its surroundings.
// Production uses the Qt implementation; tests install a scripted one.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;

namespace platform {

// Message-box style bits and answers, with the classic numeric values.
enum : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};
enum : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

// Screen-wide mouse pointer codes.
enum : int { vbDefault = 0, vbArrow = 1, vbHourglass = 11 };

inline const QString programTitle = QStringLiteral("R205730");

// Thrown by the test toolkit where production ends the process at once. It is no failure, so it
// is no std::exception: the handlers that report failures let it pass.
struct ProgramEnded {};

// What the operating system tells about the workstation; an empty optional
// is a query that failed.
struct SystemFacts {
    int platformId = 0;  // 1 and 2 are the two classic platforms; this one is neither
    int majorVersion = 0;
    int minorVersion = 0;
    quint32 buildNumber = 0;
    QString servicePack;
    std::optional<QString> domain;
    std::optional<QString> computerName;
    std::optional<QString> userName;
};
// The facts of the machine the process runs on.
SystemFacts hostSystemFacts();

// A file to write that the operator chose: where, and which of the kinds offered.
struct FileChoice {
    QString path;
    int kind = 0;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    // Modal box; returns the classic code of the button pressed.
    virtual int messageBox(const QString& text, int style, const QString& caption) = 0;
    // Stops at once: no further events, no unload handlers. Exit code 0 for an
    // ordinary end, non-zero after a fatal message.
    [[noreturn]] virtual void endProgram(int exitCode) = 0;
    virtual void setMousePointer(int code) = 0;
    // The arguments after the program name, joined by one space.
    virtual QString commandLine() = 0;
    // Folder of the program's own executable, without a trailing "/".
    virtual QString programFolder() = 0;
    virtual QDate today() = 0;
    virtual QDateTime now() = 0;
    // The system's dialog for a file to write, offering these kinds (the first chosen at first);
    // nothing when the operator cancels.
    virtual std::optional<FileChoice> askFileToWrite(const QString& caption, const QString& suggestedName,
                                                     const QStringList& kinds) = 0;
    // The system's print dialog, which sets up the printer; false when the operator cancels.
    virtual bool askPrinter(QPrinter& printer) = 0;
    // Queues one Enter keystroke to the active window, handled after the current event.
    virtual void queueEnterKey() = 0;
    virtual SystemFacts systemFacts() = 0;
};

// Loads Qt's own Japanese texts (the standard buttons of message boxes, the edit menu)
// whatever the system language; needs the application object.
void installJapaneseTexts();

// Turns the running input method framework (IBus or fcitx5) on, for kana-kanji conversion, or
// off, through its own D-Bus interface. Where none runs nothing happens.
void switchInputMethod(bool on);

Toolkit& toolkit();
// Installs a toolkit (not owned); nullptr restores the Qt one.
void setToolkit(Toolkit* tk);

// Shows a box through the toolkit; the text is also logged to standard error.
// An empty caption means the program's title.
int msgBox(const QString& text, int style = vbOKOnly, const QString& caption = QString());

// One line of technical detail for the administrator, on standard error, with passwords masked.
void logDetail(const QString& line);
// The line with the values of passwords (PWD= of a connect string, a password in a statement) as ***.
QString maskSecrets(const QString& line);

// Shows a fixed message (OK only, no icon, program title) and ends the program.
[[noreturn]] void fatal(const QString& message, const QString& detail = QString());

// A failure of what surrounds the program (the database out of reach, a lock held elsewhere, a
// full or damaged store), not of the program: the operator reads one sentence of its own about it.
class SurroundingsFailure {
public:
    virtual ~SurroundingsFailure() = default;
    // What happened and what the operator can do; empty when it is none of the operator's business.
    virtual QString operatorSentence() const = 0;
};

// Runs an event handler. A failure of the surroundings that no routine handled is told in its own
// sentence and the program goes on; any other failure ends the program with its description. A
// scripted end of program stops here instead of unwinding through the toolkit's frames.
void runHandler(const std::function<void()>& handler);
// Runs start-up: every failure that no routine handled ends the program.
void runStartup(const std::function<void()>& startup);

// The mouse pointer through the toolkit, remembered so that a busy pointer can put it back.
void setMousePointer(int code);
int mousePointer();

// The hourglass while it lives, shown before the thread blocks; then the pointer that was there.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    int previous_;
};

}  // namespace platform
