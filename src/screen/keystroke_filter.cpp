// Module KB_CHK: the keystroke filter of every input field, by the field's key mode.
#include "active_control.h"
#include "screen/screen.h"

namespace {

bool isDigit(Int16 code) { return code >= 48 && code <= 57; }

void rejectSecond(Int16& keyAscii, QChar c) {
    const InputField* field = activeField();
    if (field && field->text().contains(c)) keyAscii = 0;
}

// The digit modes: which extras a mode allows besides the digits.
struct DigitMode {
    const char* name;
    bool minus, point, comma, slash, colon;
};
constexpr DigitMode digitModes[] = {
    {"3", false, false, false, false, false}, {"4", true, false, false, false, false},
    {"5", false, true, false, false, false},  {"6", false, false, true, false, false},
    {"7", true, true, false, false, false},   {"8", true, false, true, false, false},
    {"9", false, true, true, false, false},   {"A", true, true, true, false, false},
    {"B", false, false, false, true, false},  {"C", false, false, false, false, true},
    {"D", false, false, false, true, true},
};

}  // namespace

void rejectSecondMinus(Int16& keyAscii) { rejectSecond(keyAscii, QLatin1Char('-')); }

void rejectSecondPoint(Int16& keyAscii) { rejectSecond(keyAscii, QLatin1Char('.')); }

void filterKeystroke(Int16& keyAscii) {
    if (keyAscii == 8 || keyAscii == 13) return;
    const int p = activeTabIndex();
    if (p < 0 || p >= workarea.inputKeyModes.size()) return;
    QString mode = workarea.inputKeyModes[p];
    if (mode.isEmpty()) {
        mode = QStringLiteral("2");
        workarea.inputKeyModes[p] = mode;
    }
    if (mode.front() == QLatin1Char('1')) return;
    if (mode.front() == QLatin1Char('2')) {
        if (keyAscii == 44 || keyAscii == 39 || keyAscii == 34) keyAscii = 0;
        if (mode.back() == QLatin1Char('U') && keyAscii >= 97 && keyAscii <= 122) keyAscii -= 32;
        else if (mode.back() == QLatin1Char('L') && keyAscii >= 65 && keyAscii <= 90) keyAscii += 32;
        return;
    }
    for (const DigitMode& m : digitModes) {
        if (mode != QLatin1String(m.name)) continue;
        if (isDigit(keyAscii)) return;
        if (m.minus && keyAscii == '-') rejectSecondMinus(keyAscii);
        else if (m.point && keyAscii == '.') rejectSecondPoint(keyAscii);
        else if (m.comma && keyAscii == ',') return;
        else if (m.slash && keyAscii == '/') return;
        else if (m.colon && keyAscii == ':') return;
        else keyAscii = 0;
        return;
    }
}
