#include "platform/qt_toolkit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace platform {

int QtToolkit::messageBox(const QString& text, int style, const QString& caption) {
    const QPointer<QWidget> owner = QApplication::activeWindow();
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice { QMessageBox::StandardButton button; int code; };
    QList<Choice> choices;
    switch (style & 0x7) {
    case vbOKCancel: choices = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbYesNoCancel:
        choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        break;
    case vbYesNo: choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    default: choices = {{QMessageBox::Ok, vbOK}}; break;
    }
    for (const Choice& c : choices) box.addButton(c.button);
    const int defaultIndex = (style & 0x300) >> 8;
    if (defaultIndex < choices.size()) box.setDefaultButton(choices[defaultIndex].button);
    // Esc answers Cancel where there is one, otherwise the only button.
    if (choices.size() == 1) box.setEscapeButton(choices[0].button);
    else if (choices.last().code == vbCancel) box.setEscapeButton(choices.last().button);

    // The box must show the arrow even while the program shows the hourglass.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    // Without a window manager nobody hands the keyboard back to the window the box came from:
    // it would take neither the accelerators nor the focus events that settle the fields' colours.
    if (owner) owner->activateWindow();

    const auto pressed = box.standardButton(box.clickedButton());
    for (const Choice& c : choices)
        if (c.button == pressed) return c.code;
    return choices.last().code;  // closed without a button: the escape answer
}

void QtToolkit::endProgram(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

void QtToolkit::setMousePointer(int code) {
    if (code == vbHourglass) {
        if (QApplication::overrideCursor()) QApplication::changeOverrideCursor(Qt::WaitCursor);
        else QApplication::setOverrideCursor(Qt::WaitCursor);
        // What follows blocks the thread: the window system must have the hourglass now.
        QGuiApplication::sync();
        return;
    }
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

QString QtToolkit::commandLine() { return QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')); }

QString QtToolkit::programFolder() { return QCoreApplication::applicationDirPath(); }

QDate QtToolkit::today() { return QDate::currentDate(); }

QDateTime QtToolkit::now() { return QDateTime::currentDateTime(); }

std::optional<FileChoice> QtToolkit::askFileToWrite(const QString& caption, const QString& suggestedName,
                                                    const QStringList& kinds) {
    QFileDialog dialog(QApplication::activeWindow(), caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(kinds);
    dialog.selectFile(suggestedName);
    dialog.setDefaultSuffix(QFileInfo(suggestedName).suffix());
    // The box must show the arrow even while the program shows the hourglass.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = dialog.exec();
    if (busy) QApplication::restoreOverrideCursor();
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FileChoice{dialog.selectedFiles().first(), int(kinds.indexOf(dialog.selectedNameFilter()))};
}

bool QtToolkit::askPrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (busy) QApplication::restoreOverrideCursor();
    return accepted;
}

void postEnterKeystroke() {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) return;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier,
                                                      QStringLiteral("\r")));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier,
                                                      QStringLiteral("\r")));
}

void QtToolkit::queueEnterKey() { postEnterKeystroke(); }

}  // namespace platform
