// Japanese text as an operator means it when looking for it: width, kana and case fold away.
#pragma once

#include <QString>
#include <QStringView>

namespace platform {

// The text folded for finding: compatibility forms made plain (full- and half-width, NFKC),
// hiragana made katakana, ASCII letters small, and spaces of either width left out. Two texts
// an operator reads as the same fold alike: "ＡＢＣ" and "abc", "ｺｰﾄﾞ", "こーど" and "コード".
QString foldForFinding(QStringView text);

}  // namespace platform
