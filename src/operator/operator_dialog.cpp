// What the two operator dialogs share: their look, focus colouring and the field typed full.
#include "operator/dialogs.h"

#include <QProxyStyle>

namespace {

// Shows every character of a password box as its mask character, whatever the style's own.
class MaskStyle : public QProxyStyle {
public:
    explicit MaskStyle(QChar mask) : mask_(mask) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return mask_.unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar mask_;
};

W2068401* signOn = nullptr;
W2068402* change = nullptr;

QFont designFont(int pointSize) {
    QFont font;
    // The design face, or one with the same glyphs where it is missing.
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(pointSize);
    return font;
}

}  // namespace

W2068401& signOnDialog() {
    if (!signOn) signOn = new W2068401;
    return *signOn;
}

W2068402& changeDialog() {
    if (!change) change = new W2068402;
    return *change;
}

void resetOperatorState() {
    delete change;
    change = nullptr;
    delete signOn;
    signOn = nullptr;
    foundOperator = FoundOperator();
    signOnResult.clear();
}

void OperatorDialog::setVisible(bool visible) {
    // Showing a dialog that is not loaded yet loads it first.
    if (visible) ensureLoaded();
    Form::setVisible(visible);
}

void OperatorDialog::designLook() {
    setWindowTitle(QStringLiteral("オペレータ入力 "));
    setKeyPreview(true);
    setBackColor(12632256);  // light grey
    setFont(designFont(9));
    resize(twips(7995), twips(3375));
}

InputField* OperatorDialog::codeBox() const {
    auto* field = new InputField;
    field->setMaxLength(7);
    field->setImeMode(InputField::imeDisable);
    field->setFont(designFont(12));
    return field;
}

InputField* OperatorDialog::passwordBox(int maxLength) const {
    InputField* field = codeBox();
    field->setMaxLength(maxLength);
    field->setPasswordChar(QLatin1Char('*'));
    auto* style = new MaskStyle(field->passwordChar());
    style->setParent(field);
    field->setStyle(style);
    return field;
}

Label* OperatorDialog::caption(const QString& text) const {
    auto* label = new Label;
    label->setCaption(text);
    label->setBackColor(16776960);  // cyan
    label->setAlignment(Qt::AlignCenter);
    label->setFont(designFont(12));
    return label;
}

Label* OperatorDialog::plainLabel(const QString& text, int pointSize) const {
    auto* label = new Label;
    label->setCaption(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFont(designFont(pointSize));
    return label;
}

void OperatorDialog::attachFocusHandlers() {
    for (QWidget* control : controls()) {
        auto* field = qobject_cast<InputField*>(control);
        if (!field) continue;
        field->onGotFocus = [field] { onFieldGotFocus(field); };
        field->onLostFocus = [field] { onFieldLostFocus(field); };
    }
}

void OperatorDialog::autoAdvance(Int16 keyCode, const std::function<CheckResult(Int16)>& check,
                                 const std::function<void(InputField*)>& onPass) {
    if (keepsFieldOnKeyUp(keyCode)) return;
    autoAdvanceCheckFailed = False;
    if (!isVisible()) return;
    auto* field = qobject_cast<InputField*>(activeControl());
    if (!field) return;
    if (!typedFull(field->maxLength(), static_cast<int>(field->text().size()), field->selStart(), field->selLength()))
        return;
    if (check(tabPosition(field)) == CheckResult::Stop) {
        autoAdvanceCheckFailed = True;
        if (auto* active = qobject_cast<InputField*>(activeControl())) selectAllText(active);
    } else {
        onPass(field);
    }
}
