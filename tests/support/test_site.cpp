#include "test_site.h"

#include "db/db.h"
#include "itemmaster/itemmaster.h"
#include "screen/screen.h"
#include "operator/operator.h"
#include "core/workarea.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>

TestSite::TestSite() { QDir(dir_.path()).mkpath(QStringLiteral("app/bin")); }

void TestSite::writeIni(const QByteArray& bytes) const {
    QFile f(iniPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(iniPath()));
    f.write(bytes);
}

QByteArray standardIni(const QString& dataSource, const QMap<QString, QString>& overrides) {
    QList<QPair<QString, QList<QPair<QString, QString>>>> sections = {
        {QStringLiteral("動作環境"),
         {{"MACHINENAME", "WS01"}, {"USERID", "edi"}, {"PASSWD", "edi-pass"}, {"DBSTRING", dataSource}}},
        {QStringLiteral("Setting0"),
         {{"FormBackColor", "&H00C0C0C0"},
          {"LabelBackColor", "&H00FFFFFF"},
          {"LabelFontBold", "False"},
          {"LabelFontItalic", "False"},
          {"LabelFontName", "ＭＳ ゴシック"},
          {"LabelFontSize", "9"},
          {"LabelFontStrikethru", "False"},
          {"LabelFontUnderline", "False"},
          {"LabelForeColor", "0"},
          {"TextBackColor", "&H00FFFFFF"},
          {"TextFocusColor", "&H0080FFFF"},
          {"TextFontBold", "False"},
          {"TextFontItalic", "False"},
          {"TextFontName", "ＭＳ ゴシック"},
          {"TextFontSize", "11"},
          {"TextFontStrikethru", "False"},
          {"TextFontUnderline", "False"},
          {"TextForeColor", "0"},
          {"TitleBackColor", "&H00FFFF00"},
          {"TitleFontBold", "True"},
          {"TitleFontItalic", "False"},
          {"TitleFontName", "ＭＳ ゴシック"},
          {"TitleFontSize", "9"},
          {"TitleFontStrikethru", "False"},
          {"TitleFontUnderline", "False"},
          {"TitleForeColor", "0"}}},
        {QStringLiteral("R202490"), {{"MINIMAIZE", "0"}}},
        {QStringLiteral("PATH"),
         {{"TRV500_PATH", "/opt/trv500"},
          {"EDIINFIL", "/srv/edi/in"},
          {"EDIOUTFIL", "/srv/edi/out"},
          {"MGSTPATH", "/srv/edi/mgst"},
          {"OLD_FILE", "/srv/edi/old"}}},
        {QStringLiteral("デバッグ"), {{"MODE", "0"}}},
    };
    QMap<QString, QString> remaining = overrides;
    QByteArray out;
    for (auto& [section, keys] : sections) {
        out += "[" + section.toUtf8() + "]\n";
        for (auto& [key, value] : keys) {
            const QString id = section + QLatin1Char('/') + key;
            QString v = value;
            if (remaining.contains(id)) {
                v = remaining.take(id);
                if (v.isNull()) continue;
            }
            out += key.toUtf8() + "=" + v.toUtf8() + "\n";
        }
        for (auto it = remaining.begin(); it != remaining.end();) {
            if (it.key().startsWith(section + QLatin1Char('/'))) {
                if (!it.value().isNull()) out += it.key().mid(section.size() + 1).toUtf8() + "=" + it.value().toUtf8() + "\n";
                it = remaining.erase(it);
            } else {
                ++it;
            }
        }
        out += "\n";
    }
    return out;
}

void resetProgramState() {
    closeDatabase();
    delete workarea.mainForm;
    resetWorkArea();
    autoAdvanceCheckFailed = False;
    resetOperatorState();
}
