#pragma once

#include "platform/platform.h"

namespace platform {

// The production seam over Qt and the process.
class QtToolkit final : public Toolkit {
public:
    int messageBox(const QString& text, int style, const QString& caption) override;
    [[noreturn]] void endProgram(int exitCode) override;
    void setMousePointer(int code) override;
    QString commandLine() override;
    QString programFolder() override;
    QDate today() override;
    QDateTime now() override;
    std::optional<FileChoice> askFileToWrite(const QString& caption, const QString& suggestedName,
                                             const QStringList& kinds) override;
    bool askPrinter(QPrinter& printer) override;
    void queueEnterKey() override;
    SystemFacts systemFacts() override { return hostSystemFacts(); }
};

}  // namespace platform

namespace platform {
// Posts one Enter press and release to the focused widget of the active window.
void postEnterKeystroke();
}  // namespace platform
