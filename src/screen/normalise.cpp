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
    field->setText(platform::cutToCp932Bytes(field->text(), field->maxLength()));
}

int sjisByteLength(const QString& text) { return platform::cp932Length(text); }
