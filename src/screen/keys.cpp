#include "screen/keys.h"

#include "platform/cp932.h"

#include <QKeyEvent>

namespace {

// Punctuation keys by the character they carry unshifted and shifted (US layout).
Int16 punctuationKey(int key) {
    switch (key) {
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash: case Qt::Key_Bar: case Qt::Key_yen: return 220;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    case Qt::Key_Exclam: return 49;
    case Qt::Key_At: return 50;
    case Qt::Key_NumberSign: return 51;
    case Qt::Key_Dollar: return 52;
    case Qt::Key_Percent: return 53;
    case Qt::Key_AsciiCircum: return 54;
    case Qt::Key_Ampersand: return 55;
    case Qt::Key_Asterisk: return 56;
    case Qt::Key_ParenLeft: return 57;
    case Qt::Key_ParenRight: return 48;
    default: return 0;
    }
}

Int16 keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<Int16>(96 + key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period: return 110;
    case Qt::Key_Slash: return 111;
    case Qt::Key_Enter: return 13;
    default: return -1;
    }
}

}  // namespace

Int16 classicKeyCode(const QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() & Qt::KeypadModifier) {
        const Int16 k = keypadKey(key);
        if (k >= 0) return k;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<Int16>(65 + key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<Int16>(48 + key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<Int16>(112 + key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return vbKeyBack;
    case Qt::Key_Tab: case Qt::Key_Backtab: return vbKeyTab;
    case Qt::Key_Clear: return 12;
    case Qt::Key_Return: case Qt::Key_Enter: return vbKeyReturn;
    case Qt::Key_Shift: return vbKeyShift;
    case Qt::Key_Control: return vbKeyControl;
    case Qt::Key_Alt: case Qt::Key_AltGr: return vbKeyMenu;
    case Qt::Key_Pause: return vbKeyPause;
    case Qt::Key_CapsLock: return vbKeyCapital;
    case Qt::Key_Kana_Lock: case Qt::Key_Kana_Shift: case Qt::Key_Katakana: case Qt::Key_Hiragana_Katakana: return 21;
    case Qt::Key_Kanji: case Qt::Key_Zenkaku_Hankaku: return 25;
    case Qt::Key_Escape: return vbKeyEscape;
    case Qt::Key_Henkan: return 28;
    case Qt::Key_Muhenkan: return 29;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return vbKeyPageUp;
    case Qt::Key_PageDown: return vbKeyPageDown;
    case Qt::Key_End: return vbKeyEnd;
    case Qt::Key_Home: return vbKeyHome;
    case Qt::Key_Left: return vbKeyLeft;
    case Qt::Key_Up: return vbKeyUp;
    case Qt::Key_Right: return vbKeyRight;
    case Qt::Key_Down: return vbKeyDown;
    case Qt::Key_Select: return 41;
    case Qt::Key_Print: return 44;
    case Qt::Key_Execute: return 43;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Help: return 47;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    default: return punctuationKey(key);
    }
}

Int16 classicShift(const QKeyEvent* event) {
    const Qt::KeyboardModifiers m = event->modifiers();
    Int16 shift = 0;
    if (m & Qt::ShiftModifier) shift |= vbShiftMask;
    if (m & Qt::ControlModifier) shift |= vbCtrlMask;
    if (m & Qt::AltModifier) shift |= vbAltMask;
    return shift;
}

Int16 charCodeOf(char32_t ch) {
    if (ch < 0x80) return static_cast<Int16>(ch);
    const QByteArray bytes = platform::toCp932(QString::fromUcs4(&ch, 1));
    if (bytes.size() == 1) return static_cast<Int16>(static_cast<unsigned char>(bytes[0]));
    if (bytes.size() == 2) {
        const auto lead = static_cast<unsigned char>(bytes[0]);
        const auto trail = static_cast<unsigned char>(bytes[1]);
        return static_cast<Int16>(static_cast<std::uint16_t>(lead << 8 | trail));
    }
    return static_cast<Int16>('?');
}

QString textOfCharCode(Int16 code) {
    if (code >= 0 && code < 32) return QString();
    const auto u = static_cast<std::uint16_t>(code);
    QByteArray bytes;
    if (u < 0x100) bytes.append(static_cast<char>(u));
    else bytes.append(static_cast<char>(u >> 8)).append(static_cast<char>(u & 0xFF));
    return platform::fromCp932(bytes);
}
