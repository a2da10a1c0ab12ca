// The item screen shown offscreen, styled and in its initial state.
#pragma once

#include "itemmaster/itemmaster.h"
#include "platform/scripted_toolkit.h"
#include "test_site.h"

#include <QString>
#include <memory>

// Plain appearance values: white fields, yellow focus, grey form.
void setSampleAppearance();

class ShownScreen {
public:
    // Builds the screen (a subclass may be given), styles it, runs the initial state and shows it.
    explicit ShownScreen(F_R205730* form = nullptr);
    ~ShownScreen();
    F_R205730* form() const { return workarea.mainForm; }
    platform::ScriptedToolkit& tk() { return scope_->tk; }

    // Switches to "BODY" with every entry field enabled and gives a field the focus.
    void enterBody(InputField* focus);
    // Gives a field the focus as the operator would, with its got-focus handling.
    static void focus(InputField* field);

private:
    std::unique_ptr<platform::ScriptedToolkitScope> scope_;
};

// Types the text character by character as key presses and releases, any character.
void typeText(QWidget* target, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
