// The item screen shown offscreen, styled and in its initial state.
#pragma once

#include "itemmaster/itemmaster.h"
#include "scripted_toolkit.h"
#include "test_database.h"
#include "test_site.h"

#include <QString>
#include <functional>
#include <memory>

// Plain appearance values: white fields, yellow focus, grey form.
void setSampleAppearance();

class ShownScreen {
public:
    // Connects to a fresh test database (prepare may fill it before the list loads), builds
    // the screen (a subclass may be given), styles it, runs the initial state and shows it.
    explicit ShownScreen(F_R205730* form = nullptr, const std::function<void(TestDatabase&)>& prepare = {});
    ~ShownScreen();
    F_R205730* form() const { return itemScreen(); }
    platform::ScriptedToolkit& tk() { return scope_->tk; }
    TestDatabase& database() { return *database_; }

    // Switches to "BODY" with every entry field enabled and gives a field the focus.
    void enterBody(InputField* focus);
    // Gives a field the focus as the operator would, with its got-focus handling.
    static void focus(InputField* field);

private:
    std::unique_ptr<platform::ScriptedToolkitScope> scope_;
    std::unique_ptr<TestDatabase> database_;
};

// Types the text character by character as key presses and releases, any character.
void typeText(QWidget* target, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
