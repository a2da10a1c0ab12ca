// The seam as tests see it: records every box and answers from a queue.
#pragma once

#include "platform/platform.h"

#include <QList>
#include <QStringList>

namespace platform {

struct ShownBox {
    QString text;
    int style = 0;
    QString caption;
};

class ScriptedToolkit final : public Toolkit {
public:
    int messageBox(const QString& text, int style, const QString& caption) override;
    [[noreturn]] void endProgram(int exitCode) override;
    void setMousePointer(int code) override;
    QString commandLine() override {
        events.append(QStringLiteral("commandLine"));
        return commandLineText;
    }
    QString programFolder() override {
        events.append(QStringLiteral("programFolder"));
        return programFolderPath;
    }
    QDate today() override { return todayDate; }
    QDateTime now() override { return QDateTime(todayDate, QTime(9, 30)); }
    // The file dialog answers with the next choice queued (nothing when none is: cancelled).
    std::optional<FileChoice> askFileToWrite(const QString& caption, const QString& suggestedName,
                                             const QStringList& kinds) override;
    // The print dialog: the next setup queued prepares the printer (cancelled when none is).
    bool askPrinter(QPrinter& printer) override;
    void queueEnterKey() override;
    SystemFacts systemFacts() override { return facts; }

    // Answers the next box with this button. A box with a choice and no answer
    // queued is recorded in unexpectedBoxes and answered with its first button.
    void answer(int button) { answers.append(button); }

    // Runs while a box is up, before it is answered: what happens meanwhile elsewhere.
    std::function<void(const ShownBox&)> whileShown;
    // Answers a box when no answer is queued (an explorer's random operator).
    std::function<int(const ShownBox&)> answerer;

    QList<ShownBox> boxes;
    QList<ShownBox> unexpectedBoxes;
    QList<int> answers;
    QList<FileChoice> fileChoices;
    QList<std::function<void(QPrinter&)>> printerSetups;
    QList<int> pointerCodes;
    QStringList events;  // "box:<text>", "pointer:<code>", "end", "enter", "commandLine", "programFolder"
    int endCount = 0;
    int lastExitCode = -1;
    int queuedEnters = 0;
    bool deliverQueuedEnter = true;  // post a real Enter key event, as production does

    QString commandLineText;
    QString programFolderPath;
    QDate todayDate = QDate(2026, 12, 8);
    SystemFacts facts = hostSystemFacts();

    QStringList boxTexts() const;
};

// Installs a fresh scripted toolkit for the lifetime of the object.
class ScriptedToolkitScope {
public:
    ScriptedToolkitScope() { setToolkit(&tk); }
    ~ScriptedToolkitScope() { setToolkit(nullptr); }
    ScriptedToolkit tk;
};

}  // namespace platform
