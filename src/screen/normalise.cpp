#include "platform/cp932.h"
#include "screen/screen.h"

void normaliseFieldText(Int16& position) {
    const WorkArea& w = workarea;
    if (position < 0 || position >= w.inputControls.size()) return;
    InputField* field = w.inputControls[position];
    if (!field) return;
    const int tab = field->tabIndex();
    const QString format = tab >= 0 && tab < w.inputDateFormats.size() ? w.inputDateFormats[tab] : QString();
    if (!format.isEmpty()) return;
    // Storing the same text again would only move the caret.
    const QString cut = platform::cutToCp932Bytes(field->text(), field->maxLength());
    if (cut != field->text()) field->setText(cut);
}

int sjisByteLength(const QString& text) { return platform::cp932Length(text); }
