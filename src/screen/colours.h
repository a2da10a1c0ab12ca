#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// A classic colour number as a Qt colour: plain colours are
// red + 256 * green + 65536 * blue; &H80000000 + index names a system colour.
QColor classicColor(double value);
// Whether a number names a colour: 0 .. &HFFFFFF, or a system colour &H80000000 .. &H80000018
// (read as a plain or a 32-bit signed number).
bool isClassicColor(double value);

// Sets one colour role of a control's palette from a classic colour number.
void paintRole(QWidget* control, QPalette::ColorRole role, double colour);
