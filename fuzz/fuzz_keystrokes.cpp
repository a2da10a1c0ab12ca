// The keystroke filter over any mode, text and code sequence, on the item screen's real fields.
// Input: one byte picking the field, the mode up to the first 0 byte, then 16-bit codes; codes
// run through filterKeystroke one by one, and the same characters are typed into the field.
#include "fuzz_support.h"

#include "itemmaster/itemmaster.h"
#include "startup/startup.h"
#include "screen/screen.h"

#include <cstring>

namespace {
// What a digit mode lets through besides the digits.
QString extrasOf(const QString& mode) {
    static const QMap<QString, QString> extras{
        {"3", ""}, {"4", "-"}, {"5", "."}, {"6", ","}, {"7", "-."}, {"8", "-,"},
        {"9", ".,"}, {"A", "-.,"}, {"B", "/"}, {"C", ":"}, {"D", "/:"},
    };
    return extras.value(mode, QStringLiteral("?"));  // "?": not a digit mode
}
bool isDigitCode(int c) { return c >= '0' && c <= '9'; }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzProcess(argc, argv);
    workarea.mainForm = new F_R205730(confirmExit);
    clearInputs();
    buildItemInputTable();
    for (InputField* field : workarea.inputControls)
        if (field) field->onKeyPress = [](Int16& code) { filterKeystroke(code); };
    workarea.mainForm->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || workarea.inputControls.isEmpty()) return 0;
    forgetToolkitRecords();
    const int p = data[0] % workarea.inputControls.size();
    InputField* field = workarea.inputControls[p];
    const uint8_t* end = data + size;
    const uint8_t* cursor = data + 1;
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(cursor, 0, size_t(end - cursor)));
    const uint8_t* modeEnd = zero ? zero : end;
    const QString mode = QString::fromLatin1(reinterpret_cast<const char*>(cursor), modeEnd - cursor);
    cursor = zero ? zero + 1 : end;
    workarea.inputKeyModes[p] = mode;
    field->setEnabled(true);
    field->setLocked(false);
    field->setMaxLength(32767);
    field->clear();
    field->setFocus();

    QString typed;
    for (; cursor + 1 < end; cursor += 2) {
        const Int16 original = Int16(cursor[0] | (cursor[1] << 8));
        Int16 code = original;
        filterKeystroke(code);
        const QString extras = extrasOf(mode.isEmpty() ? QStringLiteral("2") : mode);
        if (extras != QLatin1String("?") && original != 8 && original != 13)
            FUZZ_CHECK(code == 0 || isDigitCode(code) || extras.contains(QChar(ushort(code))));
        if (original > 0) typed += QChar(ushort(original));
    }
    field->insertFiltered(typed);
    const QString extras = extrasOf(workarea.inputKeyModes[p]);
    if (extras != QLatin1String("?"))
        for (const QChar c : field->text()) FUZZ_CHECK(isDigitCode(c.unicode()) || extras.contains(c));
    FUZZ_CHECK(fuzzToolkit().unexpectedBoxes.isEmpty());
    return 0;
}
