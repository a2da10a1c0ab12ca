// Qt keys as the classic virtual-key codes and shift-state bits the screens speak.
#pragma once

#include <Qt>

class QKeyEvent;

enum ClassicKey : int {
    vbKeyBack = 8, vbKeyTab = 9, vbKeyReturn = 13, vbKeyShift = 16, vbKeyControl = 17, vbKeyMenu = 18,
    vbKeyPause = 19, vbKeyCapital = 20, vbKeyEscape = 27, vbKeySpace = 32, vbKeyPageUp = 33,
    vbKeyPageDown = 34, vbKeyEnd = 35, vbKeyHome = 36, vbKeyLeft = 37, vbKeyUp = 38, vbKeyRight = 39,
    vbKeyDown = 40, vbKeyInsert = 45, vbKeyDelete = 46,
    vbKeyF1 = 112, vbKeyF2 = 113, vbKeyF3 = 114, vbKeyF4 = 115, vbKeyF5 = 116, vbKeyF6 = 117,
    vbKeyF7 = 118, vbKeyF8 = 119, vbKeyF9 = 120, vbKeyF10 = 121, vbKeyF11 = 122, vbKeyF12 = 123,
};

// Shift-state bits: Shift 1, Ctrl 2, Alt 4.
enum ClassicShift : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

// The classic key code of a key event; 0 for a key without one.
int classicKeyCode(const QKeyEvent* event);
int classicShiftState(Qt::KeyboardModifiers modifiers);
