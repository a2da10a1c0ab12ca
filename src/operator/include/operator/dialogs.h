// The two operator dialogs. Their controls carry the design tab positions, labels
// included, because the checks are looked up by those positions.
#pragma once

#include "operator/operator.h"
#include "screen/screen.h"

#include <QHash>
#include <functional>
#include <QMap>

// A dialog of this subsystem: the design tab position of every control, and a show
// that loads the dialog first.
class OperatorDialog : public Form {
    Q_OBJECT
public:
    // The design tab position of a control; -1 for none.
    Int16 tabPosition(const QWidget* control) const { return static_cast<Int16>(positions_.value(control, -1)); }
    void setVisible(bool visible) override;
    // The key-up of a field that may just have been typed full: its check runs, and a
    // passed check moves on through onPass.
    void autoAdvance(Int16 keyCode, const std::function<CheckResult(Int16)>& check,
                     const std::function<void(InputField*)>& onPass);

protected:
    template <typename W>
    W* place(W* control, const QString& name, int tabPosition, int left, int top, int width, int height) {
        addControl(control, name, left, top, width, height);
        positions_.insert(control, tabPosition);
        return control;
    }
    InputField* passwordBox(int maxLength) const;
    InputField* codeBox() const;
    Label* caption(const QString& text) const;
    Label* plainLabel(const QString& text, int pointSize) const;
    void designLook();
    // Focus colouring on every text box.
    void attachFocusHandlers();

    void Form_Load() override { centreForm(this); }

private:
    QHash<const QWidget*, int> positions_;
};

// W2068401: the sign-on dialog, operator code and password (never opened by this program).
class W2068401 : public OperatorDialog {
    Q_OBJECT
public:
    W2068401();

    InputField* OPCD;        // the operator code
    Label* lbl_OPNM;         // the operator's name
    InputField* PSWD;        // the password
    Label* lbl_PGID;         // the screen's ID
    Label* lbl_DATE;         // today's date
    // One control array, keyed by index.
    QMap<int, Label*> tit_KOUMOKU;

protected:
    void Form_KeyDown(Int16& keyCode, Int16 shift) override;
    void Form_KeyPress(Int16& keyAscii) override;
};

// W2068402: the password change dialog, opened only from the sign-on.
class W2068402 : public OperatorDialog {
    Q_OBJECT
public:
    W2068402();

    InputField* OPCD;        // the operator code
    Label* lbl_OPNM;         // the operator's name
    InputField* PSWD;        // the old password
    Label* lbl_PGID;         // the screen's ID
    Label* lbl_DATE;         // today's date
    InputField* NPSWD;       // the new password
    InputField* KAKUNIN;     // the new password once more
    QMap<int, Label*> tit_KOUMOKU;

protected:
    void Form_KeyDown(Int16& keyCode, Int16 shift) override;
    void Form_KeyPress(Int16& keyAscii) override;
    void Form_Unload() override;
};
