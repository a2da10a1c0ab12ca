#include "screen/form.h"

#include "platform/platform.h"

#include <QCloseEvent>

Form::Form(QWidget* parent) : QWidget(parent) {}

void Form::ensureLoaded() {
    if (loaded_ || loading_) return;
    loading_ = true;
    // A failure in the load handler travels back to the access that caused it.
    try {
        Form_Load();
    } catch (...) {
        loading_ = false;
        loaded_ = true;
        throw;
    }
    loading_ = false;
    loaded_ = true;
}

bool Form::unload() { return close(); }

void Form::closeEvent(QCloseEvent* event) {
    Flag cancel = False;
    bool handled = false;
    platform::runHandler([&] {
        Form_QueryUnload(cancel);
        handled = true;
    });
    if (!handled || cancel != False) {
        event->ignore();
        return;
    }
    platform::runHandler([&] { Form_Unload(); });
    event->accept();
}
