// A label of a screen: a caption with classic back and fore colours.
#pragma once

#include <QLabel>

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

    // Classic colour numbers: red + 256 * green + 65536 * blue, or a system colour.
    void setBackColor(double colour);
    double backColor() const { return backColor_; }
    void setForeColor(double colour);
    double foreColor() const { return foreColor_; }

private:
    double backColor_ = 0x8000000F;  // button face
    double foreColor_ = 0x80000012;  // button text
};
