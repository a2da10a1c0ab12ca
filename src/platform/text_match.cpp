#include "platform/text_match.h"

namespace platform {

namespace {

// Characters that NFKC leaves as they are and that need no other folding but the few below:
// most names hold nothing else, and NFKC costs far more than this test.
bool plainForFolding(char16_t c) {
    return c < 0x80 || (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC ||
           (c >= 0x4E00 && c <= 0x9FFF);
}

char16_t foldChar(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + (u'a' - u'A'));
    if (c >= 0x3041 && c <= 0x3096) return char16_t(c + 0x60);  // hiragana to katakana
    if (c == 0x309D || c == 0x309E) return char16_t(c + 0x60);  // their iteration marks too
    return c;
}

}  // namespace

QString foldForFinding(QStringView text) {
    bool plain = true;
    for (const QChar c : text)
        if (!plainForFolding(c.unicode())) {
            plain = false;
            break;
        }
    const QString source = plain ? text.toString() : text.toString().normalized(QString::NormalizationForm_KC);
    QString folded;
    folded.reserve(source.size());
    for (const QChar c : source) {
        const char16_t u = c.unicode();
        // NFKC has made the ideographic space a plain one.
        if (u == u' ' || u == 0x3000) continue;
        folded.append(QChar(foldChar(u)));
    }
    return folded;
}

}  // namespace platform
