// The one process-wide record through which all modules share state.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class Form;
class InputField;
namespace db {
class Environment;
class Connection;
}

using Int16 = std::int16_t;
// 16-bit truth values: 0 false, -1 true.
using Flag = std::int16_t;
inline constexpr Flag False = 0;
inline constexpr Flag True = -1;

// What a check or a screen routine tells its caller, with the design's stop code: Stop (9) when
// the caller must stop there, the operator having been told or having declined; Passed (0) otherwise.
enum class CheckResult : Int16 { Passed = 0, Stop = 9 };

// The main screen's modes: in Head only the search field can be entered, in Body the entry fields.
// The work area holds them as the design's texts "HEAD" and "BODY".
enum class ScreenMode { Head, Body };
QString screenModeText(ScreenMode mode);

// A text of exactly 50 characters: assignment pads with spaces or cuts after 50.
class Fixed50 {
public:
    static constexpr int Size = 50;
    Fixed50() : text_(Size, QLatin1Char(' ')) {}
    Fixed50& operator=(const QString& value) {
        text_ = value.left(Size).leftJustified(Size, QLatin1Char(' '));
        return *this;
    }
    const QString& text() const { return text_; }
    // What every reader uses: leading and trailing spaces removed.
    QString trimmed() const;

private:
    QString text_;
};

struct WorkArea {
    QString osName;
    QString osVersion;
    QString logonUser;
    QString machineName;
    QString connectString;
    Form* mainForm = nullptr;
    db::Environment* dbEnvironment = nullptr;
    db::Connection* dbConnection = nullptr;
    QString sqlText;
    Flag debugMode = False;
    QList<InputField*> inputControls;
    QStringList inputDateFormats;
    QStringList inputKeyModes;
    QStringList inputScreenModes;  // screenModeText of each field's mode
    Int16 inputCount = 0;
    QString screenMode;  // screenModeText of the current mode
    Int16 currentInputIndex = 0;
    QString resultAtEnd;
    Fixed50 machineSetting;
    Fixed50 dbUserId;
    Fixed50 dbPassword;
    Fixed50 dataSource;

    // Appearance values of section Setting0; colours are numbers except FormBackColor.
    QString FormBackColor;
    double TitleForeColor = 0;
    double TitleBackColor = 0;
    QString TitleFontName;
    QString TitleFontSize;
    QString TitleFontBold;
    QString TitleFontItalic;
    QString TitleFontStrikethru;
    QString TitleFontUnderline;
    double TextForeColor = 0;
    double TextBackColor = 0;
    double TextFocusColor = 0;
    QString TextFontName;
    QString TextFontSize;
    QString TextFontBold;
    QString TextFontItalic;
    QString TextFontStrikethru;
    QString TextFontUnderline;
    double LabelForeColor = 0;
    double LabelBackColor = 0;
    QString LabelFontName;
    QString LabelFontSize;
    QString LabelFontBold;
    QString LabelFontItalic;
    QString LabelFontStrikethru;
    QString LabelFontUnderline;

    QString commPackagePath;
    Int16 minimizeSetting = 0;
    QString ediInFile;
    QString ediOutFile;
    QString mgstPath;
    QString oldFile;
    QString operatorCode;
    QString operatorName;
    Int16 operatorImeMode = 0;
    Int16 operatorLevel = 0;
    Flag skipNextCheck = False;
    QString settingsFolder;
};

extern WorkArea workarea;

// Back to the state at process start (tests run many starts in one process).
void resetWorkArea();
