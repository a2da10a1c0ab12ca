#include "screen/screen.h"

#include "platform/cp932.h"
#include "platform/platform.h"
#include "colours.h"
#include "settings/settings.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHash>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <stdexcept>

namespace {

struct AppearanceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const QString& key, const QString& value, const char* why) {
    throw AppearanceError(QStringLiteral("Setting0/%1 %2: \"%3\"").arg(key, QString::fromLatin1(why), value).toStdString());
}

double colour(double value, const QString& key) {
    if (!isClassicColor(value)) fail(key, QString::number(value, 'f', 0), "is not a colour");
    return value;
}

// The form's colour is text until it is applied: a 32-bit signed number.
double colourFromText(const QString& text, const QString& key) {
    const auto number = toNumber(text);
    if (!number) fail(key, text, "is not a number");
    const double whole = std::nearbyint(*number);
    if (whole < -2147483648.0 || whole > 2147483647.0) fail(key, text, "is out of range");
    return colour(whole, key);
}

bool truth(const QString& text, const QString& key) {
    const QString word = platform::trimSpaces(text).toLower();
    if (word == QLatin1String("true")) return true;
    if (word == QLatin1String("false")) return false;
    const auto number = toNumber(text);
    if (!number) fail(key, text, "is not a truth value");
    return *number != 0;
}

double pointSize(const QString& text, const QString& key) {
    const auto number = toNumber(text);
    if (!number || *number <= 0 || *number > 2048) fail(key, text, "is not a font size");
    return *number;
}

// Asking fontconfig costs a few milliseconds a name, and every control asks for the same few.
bool hasFamily(const QString& name) {
    static QHash<QString, bool> known;
    const auto it = known.constFind(name);
    if (it != known.constEnd()) return it.value();
    return known[name] = QFontDatabase::hasFamily(name);
}

// A name this machine lacks falls back to a font that has the Japanese glyphs.
QString fontFamily(const QString& name, const QString& key) {
    if (platform::trimSpaces(name).isEmpty()) fail(key, name, "is not a font name");
    if (hasFamily(name)) return name;
    for (const char* fallback : {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP"})
        if (hasFamily(QString::fromLatin1(fallback))) return QString::fromLatin1(fallback);
    return name;
}

struct Group {
    QString prefix;  // of the setting keys: "Text", "Label", "Title"
    double backColor;
    const QString& bold;
    const QString& italic;
    const QString& name;
    const QString& size;
    const QString& strikethru;
    const QString& underline;
    double foreColor;
    QString key(const char* part) const { return prefix + QLatin1String(part); }
};

// One attribute at a time, in the classic order, so that a bad value leaves the attributes
// before it applied. The font is set once: each font a control is given is laid out and
// loaded, also the ones it only passes through.
template <typename Control>
void style(Control* control, const Group& g) {
    control->setBackColor(colour(g.backColor, g.key("BackColor")));
    QFont font = control->font();
    try {
        font.setBold(truth(g.bold, g.key("FontBold")));
        font.setItalic(truth(g.italic, g.key("FontItalic")));
        font.setFamilies({fontFamily(g.name, g.key("FontName"))});
        font.setPointSizeF(pointSize(g.size, g.key("FontSize")));
        font.setStrikeOut(truth(g.strikethru, g.key("FontStrikethru")));
        font.setUnderline(truth(g.underline, g.key("FontUnderline")));
    } catch (...) {
        control->setFont(font);
        throw;
    }
    control->setFont(font);
    control->setForeColor(colour(g.foreColor, g.key("ForeColor")));
}

}  // namespace

namespace {
double formBackColour() { return colourFromText(workarea.FormBackColor, QStringLiteral("FormBackColor")); }
}  // namespace

void styleFormBackColor(Form* form) { form->setBackColor(formBackColour()); }

void styleControls(const Form* form) {
    const WorkArea& w = workarea;
    const Group text{QStringLiteral("Text"), w.TextBackColor, w.TextFontBold, w.TextFontItalic, w.TextFontName,
                     w.TextFontSize, w.TextFontStrikethru, w.TextFontUnderline, w.TextForeColor};
    const Group label{QStringLiteral("Label"), w.LabelBackColor, w.LabelFontBold, w.LabelFontItalic, w.LabelFontName,
                      w.LabelFontSize, w.LabelFontStrikethru, w.LabelFontUnderline, w.LabelForeColor};
    const Group title{QStringLiteral("Title"), w.TitleBackColor, w.TitleFontBold, w.TitleFontItalic, w.TitleFontName,
                      w.TitleFontSize, w.TitleFontStrikethru, w.TitleFontUnderline, w.TitleForeColor};
    for (QWidget* control : form->controls()) {
        switch (controlKind(control)) {
        case ControlKind::TextBox: style(static_cast<InputField*>(control), text); break;
        case ControlKind::Label: {
            auto* l = static_cast<Label*>(control);
            const QString prefix = l->objectName().left(4);
            if (prefix == QLatin1String("lbl_") || prefix == QLatin1String("OPR_")) style(l, label);
            else if (prefix == QLatin1String("tit_")) style(l, title);
            break;
        }
        case ControlKind::ComboBox:
        case ControlKind::Other: break;
        }
    }
}

namespace {

void styleMainForm() {
    Form* form = workarea.mainForm;
    // Converted before the first access loads the screen: a bad value ends the program before
    // the list is read from the database.
    const double back = formBackColour();
    form->ensureLoaded();
    form->setBackColor(back);
    styleControls(form);
}

}  // namespace

ControlKind controlKind(const QWidget* control) {
    if (qobject_cast<const InputField*>(control)) return ControlKind::TextBox;
    if (qobject_cast<const QComboBox*>(control)) return ControlKind::ComboBox;
    if (qobject_cast<const Label*>(control)) return ControlKind::Label;
    return ControlKind::Other;
}

void applyAppearance() {
    try {
        styleMainForm();
    } catch (const platform::ProgramEnded&) {
        throw;  // the program ended inside the load handler: nothing more to say
    } catch (const std::exception& e) {
        platform::fatal(QStringLiteral("項目設定エラー"), QStringLiteral("appearance: ") + QString::fromUtf8(e.what()));
    } catch (...) {
        platform::fatal(QStringLiteral("項目設定エラー"), QStringLiteral("appearance: unknown failure"));
    }
}

void centreForm(QWidget* form) {
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect display = screen->geometry();
    const QRect frame = form->frameGeometry();
    // Not clamped: a screen larger than the display gets a negative place.
    const int left = static_cast<int>(std::nearbyint(double(display.width() - frame.width()))) / 2;
    const int top = static_cast<int>(std::nearbyint(double(display.height() - frame.height()))) / 2;
    form->move(display.left() + left, display.top() + top);
}

void clearInputs() {
    workarea.inputCount = 0;
    for (QWidget* control : workarea.mainForm->controls()) {
        switch (controlKind(control)) {
        case ControlKind::TextBox:
            ++workarea.inputCount;
            static_cast<InputField*>(control)->setText(QString());
            break;
        case ControlKind::ComboBox: ++workarea.inputCount; break;
        case ControlKind::Label: {
            auto* l = static_cast<Label*>(control);
            if (platform::trimSpaces(l->objectName()).left(4) == QLatin1String("lbl_")) l->setCaption(QString());
            break;
        }
        case ControlKind::Other: break;
        }
    }
}
