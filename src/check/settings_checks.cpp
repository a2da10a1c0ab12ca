// The settings file: found, decoded, its keys present (as the program reads them), and not
// readable by every user, since it holds the database password.
#include "check_context.h"

#include "core/workarea.h"
#include "platform/cp932.h"
#include "settings/settings.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace check {

namespace {

const QString environmentSection = QStringLiteral("動作環境");

// What the program needs of a key: Optional keys it reads but R205730 does not use.
enum class Need { Optional, Present, Text, Number, Int16 };

struct Key {
    const char* section;
    const char* name;
    Need need;
};

// The keys readEnvironment and readSettings read, with what start-up needs of each: an empty
// DBSTRING fails the connection, the colours must be numbers, the fonts and truth values text,
// MINIMAIZE a 16-bit number.
constexpr Key keys[] = {
    {"動作環境", "MACHINENAME", Need::Optional},
    {"動作環境", "USERID", Need::Present},
    {"動作環境", "PASSWD", Need::Present},
    {"動作環境", "DBSTRING", Need::Text},
    {"Setting0", "FormBackColor", Need::Number},
    {"Setting0", "LabelBackColor", Need::Number},
    {"Setting0", "LabelFontBold", Need::Text},
    {"Setting0", "LabelFontItalic", Need::Text},
    {"Setting0", "LabelFontName", Need::Text},
    {"Setting0", "LabelFontSize", Need::Number},
    {"Setting0", "LabelFontStrikethru", Need::Text},
    {"Setting0", "LabelFontUnderline", Need::Text},
    {"Setting0", "LabelForeColor", Need::Number},
    {"Setting0", "TextBackColor", Need::Number},
    {"Setting0", "TextFocusColor", Need::Number},
    {"Setting0", "TextFontBold", Need::Text},
    {"Setting0", "TextFontItalic", Need::Text},
    {"Setting0", "TextFontName", Need::Text},
    {"Setting0", "TextFontSize", Need::Number},
    {"Setting0", "TextFontStrikethru", Need::Text},
    {"Setting0", "TextFontUnderline", Need::Text},
    {"Setting0", "TextForeColor", Need::Number},
    {"Setting0", "TitleBackColor", Need::Number},
    {"Setting0", "TitleFontBold", Need::Text},
    {"Setting0", "TitleFontItalic", Need::Text},
    {"Setting0", "TitleFontName", Need::Text},
    {"Setting0", "TitleFontSize", Need::Number},
    {"Setting0", "TitleFontStrikethru", Need::Text},
    {"Setting0", "TitleFontUnderline", Need::Text},
    {"Setting0", "TitleForeColor", Need::Number},
    {"R202490", "MINIMAIZE", Need::Int16},
    {"PATH", "TRV500_PATH", Need::Optional},
    {"PATH", "EDIINFIL", Need::Optional},
    {"PATH", "EDIOUTFIL", Need::Optional},
    {"PATH", "MGSTPATH", Need::Optional},
    {"PATH", "OLD_FILE", Need::Optional},
    {"デバッグ", "MODE", Need::Optional},
};

QString keyName(const Key& k) {
    return QStringLiteral("[%1] %2").arg(QString::fromUtf8(k.section), QString::fromUtf8(k.name));
}

// A key of [動作環境] as the program has it: 63 bytes of code page 932, then 50 characters,
// without the spaces around it.
QString environmentValue(const QString& file, const char* key) {
    Fixed50 value;
    value = cutAtNul(readProfileString(environmentSection, QString::fromLatin1(key), 64, file));
    return value.trimmed();
}

QString userName(uid_t uid) {
    const passwd* p = ::getpwuid(uid);
    return p ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid) {
    const group* g = ::getgrgid(gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

QString shown(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) return path;
    return QStringLiteral("%1 (→ %2)").arg(path, info.symLinkTarget());
}

}  // namespace

void checkSettingsFile(Context& c, Result& r) {
    if (c.settingsFile.isEmpty()) {
        fail(r,
             QStringLiteral("プログラムのフォルダ %1 の二つ上にフォルダがないため、EDI.ini の場所が決まりません")
                 .arg(c.options.programFolder),
             QStringLiteral("--ini で EDI.ini の場所を指定してください"));
        return;
    }
    const QString path = c.settingsFile;
    const QFileInfo info(path);
    const QString located = c.options.iniPath.isEmpty()
                                ? QStringLiteral("R205730 と同じく、プログラムのフォルダ %1 の二つ上に置いてください")
                                      .arg(c.options.programFolder)
                                : QStringLiteral("--ini で指定する場所を確かめてください");
    if (!info.exists()) {
        if (info.isSymLink())
            fail(r, QStringLiteral("%1 はリンクですが、リンク先 %2 がありません").arg(path, info.symLinkTarget()),
                 QStringLiteral("リンク先に EDI.ini を置いてください"));
        else
            fail(r, QStringLiteral("%1 がありません").arg(path), QStringLiteral("EDI.ini を作り、") + located);
        return;
    }
    c.settingsFileExists = true;
    if (!info.isFile()) {
        fail(r, QStringLiteral("%1 はファイルではありません").arg(shown(path)),
             QStringLiteral("EDI.ini を ") + located);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        struct stat st {};
        const bool stated = ::stat(QFile::encodeName(path).constData(), &st) == 0;
        // Operators read the file through its group; root's group is no group for them.
        QString remedy = QStringLiteral("EDI.ini とそのフォルダの権限を確かめてください");
        if (stated && st.st_gid != 0)
            remedy = QStringLiteral(
                         "操作者を EDI.ini のグループ %1 に加えてください (adduser 利用者名 %1、次のログインから有効)")
                         .arg(groupName(st.st_gid));
        else if (stated)
            remedy = QStringLiteral(
                         "chgrp r205730 %1 && chmod 0640 %1 として、操作者をグループ r205730 に加えてください "
                         "(adduser 利用者名 r205730、次のログインから有効)")
                         .arg(QFileInfo(path).canonicalFilePath());
        fail(r,
             QStringLiteral("%1 を読めません (%2)。実行した利用者: %3")
                 .arg(shown(path), QString::fromLocal8Bit(std::strerror(error)), userName(::geteuid())),
             remedy);
        return;
    }
    QByteArray bytes = file.readAll();
    QString encoding;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
        encoding = QStringLiteral("UTF-8 (BOM 付き)");
    } else if (platform::isValidUtf8(bytes)) {
        encoding = QStringLiteral("UTF-8");
    } else {
        encoding = QStringLiteral("CP932");
        // A byte CP932 cannot read becomes "?"; 0x3F is never the second byte of a character.
        if (platform::fromCp932(bytes).count(QLatin1Char('?')) > bytes.count('?')) {
            fail(r, QStringLiteral("%1 は UTF-8 でも CP932 (シフトJIS) でもありません").arg(shown(path)),
                 QStringLiteral("UTF-8 か CP932 で保存し直してください"));
            return;
        }
    }

    QStringList missing, empty, notNumbers, cut, unusedMissing;
    int required = 0;
    for (const Key& k : keys) {
        const QString section = QString::fromUtf8(k.section);
        const auto value = readProfileValue(section, QString::fromUtf8(k.name), path);
        if (k.need != Need::Optional) ++required;
        if (!value) {
            (k.need == Need::Optional ? unusedMissing : missing).append(keyName(k));
            continue;
        }
        const QString v = platform::trimSpaces(*value);
        if (section == environmentSection && v != environmentValue(path, k.name)) cut.append(keyName(k));
        if ((k.need == Need::Text || k.need == Need::Number || k.need == Need::Int16) && v.isEmpty())
            empty.append(keyName(k));
        else if ((k.need == Need::Number && !toNumber(v)) || (k.need == Need::Int16 && !toInt16(v)))
            notNumbers.append(keyName(k));
    }

    c.dataSource = environmentValue(path, "DBSTRING");
    c.userId = environmentValue(path, "USERID");
    c.password = environmentValue(path, "PASSWD");
    c.loginRead = !c.dataSource.isEmpty();

    QStringList problems;
    if (!missing.isEmpty()) problems.append(QStringLiteral("キーがありません: ") + missing.join(QStringLiteral(", ")));
    if (!empty.isEmpty()) problems.append(QStringLiteral("値が空です: ") + empty.join(QStringLiteral(", ")));
    if (!notNumbers.isEmpty())
        problems.append(QStringLiteral("数値ではありません: ") + notNumbers.join(QStringLiteral(", ")));
    if (!cut.isEmpty())
        problems.append(QStringLiteral("長すぎて先頭 63 バイト (50 文字) しか読まれません: ") +
                        cut.join(QStringLiteral(", ")));
    if (!problems.isEmpty()) {
        fail(r, QStringLiteral("%1 (%2) の ").arg(shown(path), encoding) + problems.join(QStringLiteral("。")),
             QStringLiteral("EDI.ini を直してください (見本はソースの scripts/EDI.ini.sample)。"
                            "これらのキーがないと R205730 は \"INIﾌｧｲﾙ読込エラー\"、\"接続エラー\" か "
                            "\"項目設定エラー\" で終わります"));
        return;
    }
    r.detail = QStringLiteral("%1 を読みました (%2)。必要なキー %3 個がそろっています。データソース %4")
                   .arg(shown(path), encoding)
                   .arg(required)
                   .arg(c.dataSource);
    if (!unusedMissing.isEmpty())
        r.detail +=
            QStringLiteral(" (R205730 が使わないキーのうち無いもの: %1)").arg(unusedMissing.join(QStringLiteral(", ")));
}

void checkSettingsPermissions(Context& c, Result& r) {
    if (!c.settingsFileExists) {
        skip(r, QStringLiteral("設定ファイルがないため"));
        return;
    }
    struct stat st {};
    const QString target = QFileInfo(c.settingsFile).canonicalFilePath();
    if (::stat(QFile::encodeName(c.settingsFile).constData(), &st) != 0) {
        fail(r,
             QStringLiteral("%1 の権限を読めません (%2)")
                 .arg(c.settingsFile, QString::fromLocal8Bit(std::strerror(errno))),
             QStringLiteral("フォルダの権限を確かめてください"));
        return;
    }
    const QString mode = QStringLiteral("%1 (モード %2, 所有者 %3, グループ %4)")
                             .arg(target)
                             .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
                             .arg(userName(st.st_uid), groupName(st.st_gid));
    QStringList wrong;
    if (st.st_mode & S_IROTH) wrong.append(QStringLiteral("だれでも読めます (データベースのパスワードが入っています)"));
    if (st.st_mode & S_IWOTH) wrong.append(QStringLiteral("だれでも書き換えられます"));
    if (!wrong.isEmpty()) {
        // Taken from everyone, the file must stay readable for the operators through its group.
        const QString group =
            st.st_gid == 0 ? QStringLiteral("chgrp r205730 %1 として、操作者をそのグループに加えてください").arg(target)
                           : QStringLiteral("操作者はグループ %1 に加えてください").arg(groupName(st.st_gid));
        fail(r, mode + QStringLiteral(" は ") + wrong.join(QStringLiteral("。")),
             QStringLiteral("chmod 0640 %1 (パッケージの配置と同じ root:r205730 の 0640)。").arg(target) + group);
        return;
    }
    r.detail = mode + QStringLiteral(": ほかの利用者は読めません");
}

}  // namespace check
