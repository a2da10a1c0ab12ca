// The sign-on dialog W2068401 and its routines.
#include "operator/dialogs.h"

#include "platform/platform.h"

namespace {
constexpr Int16 keyF5 = 116;
}  // namespace

W2068401::W2068401() {
    designLook();
    const QString tit = QStringLiteral("tit_KOUMOKU");
    OPCD = place(codeBox(), QStringLiteral("OPCD"), 0, 3000, 900, 945, 345);
    tit_KOUMOKU[2] = place(caption(QStringLiteral("オペレータコード")), tit, 1, 720, 900, 2250, 345);
    lbl_OPNM = place(plainLabel(QString(), 12), QStringLiteral("lbl_OPNM"), 2, 3960, 900, 3885, 345);
    lbl_OPNM->setBackColor(0x80000005);  // window background
    lbl_OPNM->setForeColor(0x80000008);  // window text
    PSWD = place(passwordBox(10), QStringLiteral("PSWD"), 3, 3000, 1500, 1335, 345);
    tit_KOUMOKU[6] = place(caption(QStringLiteral("パスワード")), tit, 4, 720, 1500, 2250, 345);
    lbl_PGID = place(plainLabel(QStringLiteral("Label2"), 9), QStringLiteral("lbl_PGID"), 5, 240, 60, 1665, 285);
    lbl_DATE = place(plainLabel(QStringLiteral("Label2"), 9), QStringLiteral("lbl_DATE"), 6, 6300, 60, 1605, 255);
    attachFocusHandlers();
    for (InputField* field : {OPCD, PSWD})
        field->onKeyUp = [field](Int16& keyCode, Int16) {
            if (field->isEnabled()) signOnAutoAdvance(keyCode);
        };
}

void W2068401::Form_KeyDown(Int16& keyCode, Int16 shift) {
    (void)shift;
    QWidget* active = activeControl();
    switch (keyCode) {
    case vbKeyReturn: {
        if (checkSignOnField(tabPosition(active)) == CheckResult::Stop) {
            // The check may have moved the focus to the code.
            if (auto* field = qobject_cast<InputField*>(activeControl())) selectAllText(field);
            return;
        }
        if (active == OPCD) PSWD->setFocus(Qt::OtherFocusReason);
        else if (active == PSWD) completeSignOn();
        return;
    }
    case keyF5: openPasswordChange(); return;
    case vbKeyEscape: cancelSignOn(); return;
    case vbKeyUp:
    case vbKeyDown:
        if (active == OPCD) PSWD->setFocus(Qt::OtherFocusReason);
        else if (active == PSWD) OPCD->setFocus(Qt::OtherFocusReason);
        return;
    default: return;
    }
}

void W2068401::Form_KeyPress(Int16& keyAscii) {
    switch (keyAscii) {
    case vbKeyReturn:
    case vbKeyEscape:
    // Quotes and commas never reach a code or a password.
    case '\'':
    case '"':
    case ',': keyAscii = 0; break;
    default: break;
    }
}

void signOnAutoAdvance(Int16 keyCode) {
    W2068401& d = signOnDialog();
    d.autoAdvance(keyCode, checkSignOnField, [&d](InputField* field) {
        // A full password stays: only Enter signs on.
        if (field == d.OPCD) d.PSWD->setFocus(Qt::OtherFocusReason);
    });
}

void openPasswordChange() {
    applyDialogAppearance();
    prepareChangeHeader();
    const W2068401& signOn = signOnDialog();
    W2068402& change = changeDialog();
    change.OPCD->setText(signOn.OPCD->text());
    change.PSWD->setText(signOn.PSWD->text());
    change.NPSWD->clear();
    change.KAKUNIN->clear();
    // Not modal, no owner: the sign-on dialog stays open behind it.
    change.show();
    change.activateWindow();
    // Opened afresh, the dialog starts in its first field.
    change.OPCD->setFocus(Qt::OtherFocusReason);
}

void applyDialogAppearance() {
    try {
        W2068401& signOn = signOnDialog();
        signOn.ensureLoaded();
        styleFormBackColor(&signOn);
        styleControls(&signOn);
        // The change dialog keeps its design back colour.
        W2068402& change = changeDialog();
        change.ensureLoaded();
        styleControls(&change);
    } catch (const std::exception& e) {
        platform::fatal(QStringLiteral("項目設定エラー"),
                        QStringLiteral("operator dialog appearance: ") + QString::fromUtf8(e.what()));
    }
}
