// The password change dialog W2068402 and its routines.
#include "operator/dialogs.h"

#include "db/db.h"
#include "platform/platform.h"

W2068402::W2068402() {
    designLook();
    const QString tit = QStringLiteral("tit_KOUMOKU");
    OPCD = place(codeBox(), QStringLiteral("OPCD"), 0, 3000, 720, 945, 345);
    tit_KOUMOKU[2] = place(caption(QStringLiteral("オペレータコード")), tit, 1, 720, 720, 2250, 345);
    lbl_OPNM = place(plainLabel(QString(), 12), QStringLiteral("lbl_OPNM"), 2, 3960, 720, 2565, 345);
    PSWD = place(passwordBox(10), QStringLiteral("PSWD"), 3, 3000, 1320, 1335, 345);
    tit_KOUMOKU[6] = place(caption(QStringLiteral("旧パスワード")), tit, 4, 720, 1320, 2250, 345);
    lbl_PGID = place(plainLabel(QString(), 9), QStringLiteral("lbl_PGID"), 5, 240, 60, 1665, 285);
    lbl_DATE = place(plainLabel(QString(), 9), QStringLiteral("lbl_DATE"), 6, 6300, 60, 1605, 255);
    NPSWD = place(passwordBox(10), QStringLiteral("NPSWD"), 7, 3000, 1980, 1335, 345);
    tit_KOUMOKU[0] = place(caption(QStringLiteral("新パスワード")), tit, 8, 720, 1980, 2250, 345);
    KAKUNIN = place(passwordBox(10), QStringLiteral("KAKUNIN"), 9, 3000, 2340, 1335, 345);
    tit_KOUMOKU[1] = place(caption(QStringLiteral("確認入力")), tit, 10, 720, 2340, 2250, 345);
    attachFocusHandlers();
    // A full confirmation never moves on by itself.
    for (InputField* field : {OPCD, PSWD, NPSWD})
        field->onKeyUp = [field](Int16& keyCode, Int16) {
            if (field->isEnabled()) changeAutoAdvance(keyCode);
        };
}

namespace {

// The field after a passed check; nullptr after the confirmation.
InputField* nextField(const W2068402& d, const QWidget* field) {
    if (field == d.OPCD) return d.PSWD;
    if (field == d.PSWD) return d.NPSWD;
    if (field == d.NPSWD) return d.KAKUNIN;
    return nullptr;
}

InputField* previousField(const W2068402& d, const QWidget* field) {
    if (field == d.OPCD) return d.KAKUNIN;
    if (field == d.PSWD) return d.OPCD;
    if (field == d.NPSWD) return d.PSWD;
    if (field == d.KAKUNIN) return d.NPSWD;
    return nullptr;
}

void focus(InputField* field) {
    if (field) field->setFocus(Qt::OtherFocusReason);
}

const QString readFailedMessage = QStringLiteral("担当者マスタの読込に失敗しました");

}  // namespace

void W2068402::Form_KeyDown(Int16& keyCode, Int16 shift) {
    (void)shift;
    QWidget* active = activeControl();
    switch (keyCode) {
    case vbKeyReturn: {
        if (checkChangeField(tabPosition(active)) == CheckResult::Stop) {
            // The check may have moved the focus.
            if (auto* field = qobject_cast<InputField*>(activeControl())) selectAllText(field);
            return;
        }
        if (active == KAKUNIN) writeNewPassword();
        else focus(nextField(*this, active));
        return;
    }
    case vbKeyEscape: unload(); return;
    case vbKeyUp: focus(previousField(*this, active)); return;
    case vbKeyDown: focus(active == KAKUNIN ? OPCD : nextField(*this, active)); return;
    default: return;
    }
}

void W2068402::Form_KeyPress(Int16& keyAscii) {
    if (keyAscii == vbKeyReturn || keyAscii == vbKeyEscape) keyAscii = 0;
}

void W2068402::Form_Unload() { signOnDialog().OPCD->setText(OPCD->text()); }

void changeAutoAdvance(Int16 keyCode) {
    W2068402& d = changeDialog();
    d.autoAdvance(keyCode, checkChangeField, [&d](InputField* field) { focus(nextField(d, field)); });
}

void prepareChangeHeader() {
    W2068402& d = changeDialog();
    d.lbl_PGID->setCaption(QStringLiteral("W2068402"));
    d.lbl_DATE->setCaption(platform::toolkit().today().toString(QStringLiteral("yyyy/MM/dd")));
}

void writeNewPassword() {
    W2068402& d = changeDialog();
    // The code and the old password again; the new password and its confirmation have passed.
    try {
        for (Int16 position = 0; position <= 3; ++position)
            if (checkChangeField(position) == CheckResult::Stop) return;
    } catch (const std::exception& e) {
        // No transaction has begun: nothing to roll back, but the operator must know.
        platform::logDetail(QStringLiteral("password change: reading the operator failed: ") +
                            QString::fromUtf8(e.what()));
        platform::msgBox(readFailedMessage);
        return;
    }
    const QString newPassword = d.NPSWD->text();
    try {
        beginTransaction();
        // The key is the code of the operator just read: typed with blanks around it, the
        // code as typed would match no row and the change would look done without being done.
        executeSql(passwordUpdateSql(newPassword, foundOperator.code));
        commitTransaction();
    } catch (const std::exception& e) {
        // Refused: the old password stays and the dialog stays open, without a message.
        platform::logDetail(QStringLiteral("password change: not written: ") + QString::fromUtf8(e.what()));
        try {
            rollbackTransaction();
        } catch (const std::exception& again) {
            platform::logDetail(QStringLiteral("password change: roll-back failed: ") + QString::fromUtf8(again.what()));
        }
        return;
    }
    foundOperator.password = newPassword;
    signOnDialog().PSWD->clear();
    d.unload();
}
