#include "screen/input_field.h"

#include "screen/colours.h"

#include <QPalette>

InputField::InputField(QWidget* parent) : QLineEdit(parent) {}

void InputField::setBackColor(double colour) {
    backColor_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, classicColor(colour));
    setPalette(p);
}
