// Classic key codes and character codes: the one translation from Qt key events.
#pragma once

#include "core/workarea.h"

#include <QString>

class QKeyEvent;

enum : Int16 {
    vbKeyBack = 8,
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyShift = 16,
    vbKeyControl = 17,
    vbKeyMenu = 18,
    vbKeyPause = 19,
    vbKeyCapital = 20,
    vbKeyEscape = 27,
    vbKeyPageUp = 33,
    vbKeyPageDown = 34,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeyF1 = 112,
    vbKeyF2 = 113,
    vbKeyF12 = 123,
};

// Shift-state bits of key-down and key-up events.
enum : Int16 { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

// The classic virtual-key code of the key; 0 for keys without one.
Int16 classicKeyCode(const QKeyEvent* event);
// Shift, Ctrl and Alt of the event as the classic bit mask.
Int16 classicShift(const QKeyEvent* event);

// The key-press code of one character: ASCII as is, otherwise its code page
// 932 form (one byte, or lead * 256 + trail as a signed 16-bit number).
Int16 charCodeOf(char32_t ch);
// The character a key-press code stands for; empty for 0 and control codes.
QString textOfCharCode(Int16 code);
