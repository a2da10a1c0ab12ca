// A command button of a screen.
#pragma once

#include <QPushButton>

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    // Its accelerator (Alt and the underlined letter) presses it at once, not a moment later as
    // Qt animates it: keys typed right after it go where its command puts the keyboard.
    bool event(QEvent* event) override;
};
