#include "scripted_toolkit.h"

#include "platform/qt_toolkit.h"

namespace platform {

namespace {
int firstButton(int style) {
    switch (style & 0x7) {
    case vbOKCancel: return vbOK;
    case vbYesNoCancel:
    case vbYesNo: return vbYes;
    default: return vbOK;
    }
}
}  // namespace

int ScriptedToolkit::messageBox(const QString& text, int style, const QString& caption) {
    const ShownBox box{text, style, caption};
    boxes.append(box);
    events.append(QStringLiteral("box:") + text);
    if (whileShown) whileShown(box);
    if (answers.isEmpty() && answerer) return answerer(box);
    if (answers.isEmpty()) {
        // A box with a choice must have its answer scripted; a plain OK box needs none.
        if ((style & 0x7) != vbOKOnly) unexpectedBoxes.append(box);
        return firstButton(style);
    }
    return answers.takeFirst();
}

void ScriptedToolkit::endProgram(int exitCode) {
    ++endCount;
    lastExitCode = exitCode;
    events.append(QStringLiteral("end"));
    throw ProgramEnded();
}

void ScriptedToolkit::setMousePointer(int code) {
    pointerCodes.append(code);
    events.append(QStringLiteral("pointer:%1").arg(code));
}

void ScriptedToolkit::queueEnterKey() {
    ++queuedEnters;
    events.append(QStringLiteral("enter"));
    if (deliverQueuedEnter) postEnterKeystroke();
}

std::optional<FileChoice> ScriptedToolkit::askFileToWrite(const QString& caption, const QString&, const QStringList&) {
    events.append(QStringLiteral("file dialog:") + caption);
    if (fileChoices.isEmpty()) return std::nullopt;
    return fileChoices.takeFirst();
}

bool ScriptedToolkit::askPrinter(QPrinter& printer) {
    events.append(QStringLiteral("print dialog"));
    if (printerSetups.isEmpty()) return false;
    printerSetups.takeFirst()(printer);
    return true;
}

QStringList ScriptedToolkit::boxTexts() const {
    QStringList texts;
    for (const ShownBox& b : boxes) texts.append(b.text);
    return texts;
}

}  // namespace platform
