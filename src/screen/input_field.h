// The input field of every screen: a line edit with the classic text-box properties.
#pragma once

#include <QLineEdit>

class InputField : public QLineEdit {
    Q_OBJECT
public:
    explicit InputField(QWidget* parent = nullptr);

    // Classic colour number: red + 256 * green + 65536 * blue, or a system colour.
    void setBackColor(double colour);
    double backColor() const { return backColor_; }

private:
    double backColor_ = 0;
};
