#include "colours.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <cmath>

namespace {
QColor systemColor(int index) {
    const QPalette p = QApplication::palette();
    switch (index) {
    case 1: return p.color(QPalette::Window);          // desktop
    case 2: case 3: return p.color(QPalette::Highlight);  // active / inactive caption
    case 4: return p.color(QPalette::Window);           // menu bar
    case 5: return p.color(QPalette::Base);             // window background
    case 6: return p.color(QPalette::WindowText);       // window frame
    case 7: return p.color(QPalette::WindowText);       // menu text
    case 8: return p.color(QPalette::Text);             // window text
    case 9: return p.color(QPalette::HighlightedText);  // caption text
    case 13: return p.color(QPalette::Highlight);
    case 14: return p.color(QPalette::HighlightedText);
    case 15: return p.color(QPalette::Button);          // button face
    case 16: return p.color(QPalette::Mid);             // button shadow
    case 17: return p.color(QPalette::Disabled, QPalette::Text);
    case 18: return p.color(QPalette::ButtonText);
    case 20: return p.color(QPalette::Light);
    case 23: return p.color(QPalette::ToolTipText);
    case 24: return p.color(QPalette::ToolTipBase);
    default: return p.color(QPalette::Window);
    }
}
}  // namespace

QColor classicColor(double value) {
    const auto v = static_cast<qint64>(std::llround(value));
    const auto bits = static_cast<quint32>(v);
    if (bits & 0x80000000u) return systemColor(static_cast<int>(bits & 0xFFu));
    return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

bool isClassicColor(double value) {
    if (!std::isfinite(value)) return false;
    const double whole = std::nearbyint(value);
    if (whole >= 0 && whole <= 0xFFFFFF) return true;
    const auto v = static_cast<qint64>(whole);
    const qint64 bits = v < 0 ? v + 0x100000000LL : v;
    return bits >= 0x80000000LL && bits <= 0x80000018LL;
}

void paintRole(QWidget* control, QPalette::ColorRole role, double colour) {
    QPalette p = control->palette();
    p.setColor(role, classicColor(colour));
    control->setPalette(p);
}
