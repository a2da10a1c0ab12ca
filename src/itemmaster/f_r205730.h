// The item information master maintenance screen.
#pragma once

#include "screen/screen.h"
#include "startup/workarea.h"

class F_R205730 : public Form {
    Q_OBJECT
public:
    F_R205730();

protected:
    void Form_Load() override;
    void Form_QueryUnload(Flag& cancel) override;
};
