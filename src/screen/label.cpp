#include "screen/label.h"

#include "colours.h"

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
    paintRole(this, QPalette::Window, colour);
}

void Label::setForeColor(double colour) {
    foreColor_ = colour;
    paintRole(this, QPalette::WindowText, colour);
}
