#include "screen/label.h"

#include "screen/colours.h"

#include <QPalette>

Label::Label(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    // Its own colours, not the form's.
    setBackColor(backColor_);
    setForeColor(foreColor_);
}

void Label::setBackColor(double colour) {
    backColor_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, classicColor(colour));
    setPalette(p);
}

void Label::setForeColor(double colour) {
    foreColor_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, classicColor(colour));
    setPalette(p);
}
