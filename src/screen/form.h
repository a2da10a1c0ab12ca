// A screen of the suite: created without being shown, loaded on first access,
// closed through a cancellable query-unload.
#pragma once

#include "startup/workarea.h"

#include <QWidget>

class QCloseEvent;

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

protected:
    virtual void Form_Load() {}
    // Setting cancel to a true value keeps the screen open.
    virtual void Form_QueryUnload(Flag& cancel) { (void)cancel; }
    virtual void Form_Unload() {}

    void closeEvent(QCloseEvent* event) override;

private:
    bool loaded_ = false;
    bool loading_ = false;
};
