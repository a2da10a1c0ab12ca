#pragma once

#include <QColor>

// A classic colour number as a Qt colour: plain colours are
// red + 256 * green + 65536 * blue; &H80000000 + index names a system colour.
QColor classicColor(double value);
