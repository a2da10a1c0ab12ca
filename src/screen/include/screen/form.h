// A screen of the suite: created without being shown, loaded on first access,
// closed through a cancellable query-unload, seeing every key first when its
// key preview is on.
#pragma once

#include "core/workarea.h"

#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class InputField;
class QCloseEvent;
class QKeyEvent;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Every access to the screen goes through here first: the first one runs Form_Load.
    void ensureLoaded();
    bool isLoaded() const { return loaded_; }

    // Closes the screen as the classic unload does: the query-unload runs and may keep it.
    // Returns true when the screen closed.
    bool unload();

    bool keyPreview() const { return keyPreview_; }
    void setKeyPreview(bool on) { keyPreview_ = on; }

    void setBackColor(double colour);
    double backColor() const { return backColor_; }

    // The controls in design order, each once; members of a control array share a name.
    const QList<QWidget*>& controls() const { return controls_; }
    // The control that has the focus on this screen, or nullptr.
    QWidget* activeControl() const;

    // Position in the tab order; -1 for a control that takes no focus.
    int tabIndex(const QWidget* control) const;
    // Moves the control to that place of the tab order; the others move up or down.
    void setTabIndex(QWidget* control, int index);

    // Design units to pixels: 15 twips are one pixel at 96 dpi.
    static int twips(int value);

    // Makes the screen, at its designed size, fit the display's available area with its title bar
    // reachable: where it is too big, everything on it is scaled down evenly, fonts included; where
    // that would make it too small to read, it scrolls instead. Its size is then fixed. Done once,
    // when the screen is first shown; a screen that fits stays exactly as designed.
    void fitToScreen();
    // The factor the screen was scaled by to fit (1 when it fits as designed).
    double fitScale() const { return fitScale_; }
    // Showing the screen fits it first.
    void setVisible(bool visible) override;

    // The form's part of a key press on one of its controls (key preview).
    void previewKeyPress(Int16& keyAscii);

    // The screen's check of one input position, run by the framework when a field is typed full:
    // Stop when the field is in error (the check has told the operator).
    virtual CheckResult checkField(Int16 position) {
        (void)position;
        return CheckResult::Passed;
    }

    // A field that lost the keyboard to another window (a message box) keeps
    // its focus state; it loses focus when another control of the form takes it.
    void parkFocus(InputField* field) { parked_ = field; }
    // True, and forgotten, when the field was the one parked.
    bool takeParked(const InputField* field);

    // A key of the whole window (a key the screen's design leaves free): it runs the action
    // wherever the keyboard is on the screen, also where a field would take it for editing.
    void addWindowKey(const QKeySequence& key, std::function<void()> action);
    bool isWindowKey(const QKeyEvent* event) const;

protected:
    virtual void Form_Load() {}
    // Setting cancel keeps the screen open.
    virtual void Form_QueryUnload(bool& cancel) { (void)cancel; }
    virtual void Form_Unload() {}
    // With key preview on these run before the control's own handlers.
    // Setting keyCode to 0 in Form_KeyDown swallows the key.
    virtual void Form_KeyDown(Int16& keyCode, Int16 shift) { (void)keyCode, (void)shift; }
    virtual void Form_KeyPress(Int16& keyAscii) { (void)keyAscii; }
    virtual void Form_KeyUp(Int16& keyCode, Int16 shift) { (void)keyCode, (void)shift; }

    // Places a control of the design (positions in twips) and registers it under its name.
    template <typename W>
    W* addControl(W* control, const QString& name, int left, int top, int width, int height) {
        registerControl(control, name, left, top, width, height);
        return control;
    }

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void registerControl(QWidget* control, const QString& name, int left, int top, int width, int height);
    void applyTabOrder();

    QPointer<InputField> parked_;
    QList<QKeySequence> windowKeys_;
    QList<QWidget*> controls_;
    QList<QWidget*> tabOrder_;
    void scaleContent(double factor);
    void scrollContent(const QSize& visible);

    double fitScale_ = 1.0;
    bool fitted_ = false;
    double backColor_ = 0x8000000F;
    bool keyPreview_ = false;
    bool loaded_ = false;
    bool loading_ = false;
};
