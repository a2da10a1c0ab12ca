#include "platform/qt_toolkit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
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
