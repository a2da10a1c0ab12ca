// The data source that DBSTRING names: in which odbc.ini unixODBC finds it (the user's before the
// system's, as the driver manager looks), its driver's file, and that the file loads.
#include "check_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <odbcinst.h>

#include <dlfcn.h>

// unixODBC's own answers to where its files are, as `odbcinst -j` prints them.
extern "C" {
BOOL _odbcinst_UserINI(char* fileName, BOOL verify);
BOOL _odbcinst_SystemINI(char* fileName, BOOL verify);
char* odbcinst_system_file_path(char* buffer);
char* odbcinst_system_file_name(char* buffer);
}

namespace check {

namespace {

constexpr int pathBuffer = 4096 + 256;

// Reads a key, or with key null the NUL-separated names, of the file unixODBC picks for `file`
// ("odbc.ini" by the configuration mode, "ODBCINST.INI" for the drivers).
QStringList profileList(const QByteArray& section, const char* key, const char* file) {
    std::vector<char> buffer(16384, '\0');
    const int n = SQLGetPrivateProfileString(section.isEmpty() ? nullptr : section.constData(), key, "", buffer.data(),
                                             int(buffer.size()), file);
    QStringList items;
    if (n <= 0) return items;
    for (const QByteArray& item : QByteArray(buffer.data(), n).split('\0'))
        if (!item.isEmpty()) items.append(QString::fromUtf8(item));
    return items;
}

QString profileValue(const QByteArray& section, const char* key, const char* file) {
    const QStringList items = profileList(section, key, file);
    return items.isEmpty() ? QString() : items.first().trimmed();
}

// Sets the configuration mode while it lives: a data source is looked up in one odbc.ini only.
class ConfigMode {
public:
    explicit ConfigMode(UWORD mode) {
        SQLGetConfigMode(&previous_);
        SQLSetConfigMode(mode);
    }
    ~ConfigMode() { SQLSetConfigMode(previous_); }
    ConfigMode(const ConfigMode&) = delete;
    ConfigMode& operator=(const ConfigMode&) = delete;

private:
    UWORD previous_ = ODBC_BOTH_DSN;
};

QString userOdbcIni() {
    char path[pathBuffer] = {};
    _odbcinst_UserINI(path, 0);
    return QString::fromLocal8Bit(path);
}

QString systemOdbcIni() {
    char path[pathBuffer] = {};
    _odbcinst_SystemINI(path, 0);
    return QString::fromLocal8Bit(path);
}

QString odbcinstIni() {
    // They answer with a buffer of their own once they have one.
    char folder[pathBuffer] = {};
    char name[pathBuffer] = {};
    return QString::fromLocal8Bit(odbcinst_system_file_path(folder)) + QLatin1Char('/') +
           QString::fromLocal8Bit(odbcinst_system_file_name(name));
}

bool hasSection(UWORD mode, const QByteArray& section) {
    const ConfigMode m(mode);
    return !profileList(section, nullptr, "odbc.ini").isEmpty();
}

QStringList sectionsIn(UWORD mode) {
    const ConfigMode m(mode);
    return profileList(QByteArray(), nullptr, "odbc.ini");
}

// The driver manager loads a driver named without a folder from its own driver folder too
// (Debian: the folder "odbc" beside libodbc).
QStringList driverCandidates(const QString& library) {
    if (library.contains(QLatin1Char('/'))) return {library};
    QStringList candidates;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &info) && info.dli_fname)
        candidates.append(QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath() + QStringLiteral("/odbc/") +
                          library);
    return candidates;
}

bool positiveFlag(const QString& value) {
    bool ok = false;
    return value.toInt(&ok) > 0 && ok;
}

db::Engine engineOfDriver(const QString& file) {
    const QString name = QFileInfo(file).fileName().toLower();
    if (name.contains(QLatin1String("sqlite"))) return db::Engine::SQLite;
    if (name.contains(QLatin1String("psqlodbc"))) return db::Engine::PostgreSQL;
    return db::Engine::Other;
}

const QString driverPackages =
    QStringLiteral("SQLite は libsqliteodbc、PostgreSQL は odbc-postgresql を入れるか (apt install)、");

}  // namespace

QString odbcIniName(const Context& c) {
    return c.inUserOdbcIni ? QStringLiteral("利用者の odbc.ini %1").arg(userOdbcIni())
                           : QStringLiteral("システムの odbc.ini %1").arg(systemOdbcIni());
}

QString dataSourceKey(const Context& c, const char* key) {
    const ConfigMode m(c.inUserOdbcIni ? ODBC_USER_DSN : ODBC_SYSTEM_DSN);
    return profileValue(c.dataSource.toUtf8(), key, "odbc.ini");
}

QString engineName(db::Engine engine) {
    switch (engine) {
    case db::Engine::SQLite: return QStringLiteral("SQLite");
    case db::Engine::PostgreSQL: return QStringLiteral("PostgreSQL");
    case db::Engine::Other: break;
    }
    return QStringLiteral("不明なデータベース");
}

void checkDataSource(Context& c, Result& r) {
    if (!c.loginRead) {
        skip(r, QStringLiteral("設定ファイルからデータソース名 (DBSTRING) を読めなかったため"));
        return;
    }
    const QByteArray name = c.dataSource.toUtf8();
    const bool inUser = hasSection(ODBC_USER_DSN, name);
    const bool inSystem = hasSection(ODBC_SYSTEM_DSN, name);
    if (!inUser && !inSystem) {
        QStringList known = sectionsIn(ODBC_USER_DSN) + sectionsIn(ODBC_SYSTEM_DSN);
        known.removeAll(QStringLiteral("ODBC"));  // the driver manager's own section
        known.removeDuplicates();
        fail(r,
             QStringLiteral(
                 "データソース %1 が利用者の odbc.ini (%2) にもシステムの odbc.ini (%3) にもありません。あるもの: %4")
                 .arg(c.dataSource, userOdbcIni(), systemOdbcIni(),
                      known.isEmpty() ? QStringLiteral("なし") : known.join(QStringLiteral(", "))),
             QStringLiteral("%1 に [%2] を書き足すか (例は /usr/share/doc/r205730/examples/odbc.ini)、EDI.ini の "
                            "[動作環境] DBSTRING= を直してください")
                 .arg(systemOdbcIni(), c.dataSource));
        return;
    }
    // The driver manager reads the user's odbc.ini first.
    c.inUserOdbcIni = inUser;
    QString where = odbcIniName(c);
    const bool oneFile = QFileInfo(userOdbcIni()).canonicalFilePath() == QFileInfo(systemOdbcIni()).canonicalFilePath();
    if (oneFile)
        where += QStringLiteral(" (ODBCINI と ODBCSYSINI のどちらもこのファイル)");
    else if (inUser && inSystem)
        where += QStringLiteral(" (システムの odbc.ini %1 の同じ名前は使われません)").arg(systemOdbcIni());

    const QString driver = dataSourceKey(c, "Driver");
    if (driver.isEmpty()) {
        fail(
            r, QStringLiteral("データソース %1 (%2) に Driver= がありません").arg(c.dataSource, where),
            QStringLiteral("Driver= に odbcinst.ini のドライバ名 (PostgreSQL Unicode、SQLite3 など) を書いてください"));
        return;
    }
    QString library = driver;
    QString named = QStringLiteral("ドライバ %1").arg(driver);
    if (!driver.contains(QLatin1Char('/'))) {
        const QByteArray section = driver.toUtf8();
        if (profileList(section, nullptr, "ODBCINST.INI").isEmpty()) {
            fail(r,
                 QStringLiteral("データソース %1 (%2) のドライバ %3 が %4 にありません")
                     .arg(c.dataSource, where, driver, odbcinstIni()),
                 driverPackages + QStringLiteral("odbc.ini の Driver= を odbcinst.ini にある名前に直してください"));
            return;
        }
        // 64-bit builds of the driver manager take Driver64 first.
        library = profileValue(section, "Driver64", "ODBCINST.INI");
        if (library.isEmpty()) library = profileValue(section, "Driver", "ODBCINST.INI");
        if (library.isEmpty()) {
            fail(r, QStringLiteral("%1 の [%2] に Driver= がありません").arg(odbcinstIni(), driver),
                 QStringLiteral("ドライバのファイルを Driver= に書いてください"));
            return;
        }
        named = QStringLiteral("ドライバ %1 (%2)").arg(driver, odbcinstIni());
    }
    QString file;
    for (const QString& candidate : driverCandidates(library))
        if (QFileInfo::exists(candidate)) file = candidate;
    if (file.isEmpty() && library.contains(QLatin1Char('/'))) {
        fail(r,
             QStringLiteral("データソース %1 (%2) の%3 のファイル %4 がありません")
                 .arg(c.dataSource, where, named, library),
             driverPackages + QStringLiteral("ファイルの場所を直してください"));
        return;
    }
    // A bare name that is not in the driver folder may still be found on the library path.
    void* const handle = dlopen(QFile::encodeName(file.isEmpty() ? library : file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        const QString loadError = error ? QString::fromLocal8Bit(error) : QString();
        fail(
            r,
            QStringLiteral("データソース %1 (%2) の%3 を読み込めません: %4").arg(c.dataSource, where, named, loadError),
            file.isEmpty()
                ? driverPackages + QStringLiteral("Driver= にファイルの場所を書いてください")
                : QStringLiteral("ドライバが必要とするライブラリを入れてください (ldd %1 で無いものがわかります)")
                      .arg(file));
        return;
    }
    if (file.isEmpty()) {
        Dl_info info{};
        void* symbol = dlsym(handle, "SQLConnect");
        if (symbol && dladdr(symbol, &info) && info.dli_fname) file = QString::fromLocal8Bit(info.dli_fname);
        if (file.isEmpty()) file = library;
    }
    dlclose(handle);

    c.engine = engineOfDriver(file);
    r.detail = QStringLiteral("データソース %1 は%2 にあります。%3 → %4 を読み込めました")
                   .arg(c.dataSource, where, named, file);
    if (c.engine == db::Engine::SQLite) {
        // Connecting to a missing file would make an empty database there.
        c.sqliteFile = dataSourceKey(c, "Database");
        if (c.sqliteFile.isEmpty()) {
            fail(r, QStringLiteral("SQLite のデータソース %1 (%2) に Database= がありません").arg(c.dataSource, where),
                 QStringLiteral("Database= にデータベースファイルの場所を書いてください"));
            return;
        }
        if (!QFileInfo(c.sqliteFile).isFile()) {
            fail(r,
                 QStringLiteral("データソース %1 (%2) のデータベースファイル %3 がありません")
                     .arg(c.dataSource, where, c.sqliteFile),
                 QStringLiteral("Database= を直すか、ファイルを置いてください (このまま R205730 "
                                "が接続すると空のデータベースが作られます)"));
            return;
        }
        r.detail += QStringLiteral("。データベース %1").arg(c.sqliteFile);
    } else if (c.engine == db::Engine::PostgreSQL) {
        const QString port = dataSourceKey(c, "Port");
        r.detail += QStringLiteral("。サーバー %1:%2、データベース %3")
                        .arg(dataSourceKey(c, "Servername"), port.isEmpty() ? QStringLiteral("5432") : port,
                             dataSourceKey(c, "Database"));
        // Debian's odbcinst.ini switches psqlODBC's communication log on: a file in /tmp for
        // every process that connects.
        QStringList logging;
        for (const char* key : {"CommLog", "Debug"}) {
            QString value = dataSourceKey(c, key);
            if (value.isEmpty() && !driver.contains(QLatin1Char('/')))
                value = profileValue(driver.toUtf8(), key, "ODBCINST.INI");
            if (positiveFlag(value)) logging.append(QStringLiteral("%1=%2").arg(QString::fromLatin1(key), value));
        }
        c.driverLogs = !logging.isEmpty();
        if (c.driverLogs)
            r.detail += QStringLiteral(
                            "。注意: %1 のため、R205730 は接続のたびに /tmp に psqlodbc_*.log を書きます "
                            "(odbcinst.ini の [%2] か odbc.ini で CommLog=0、Debug=0 にすると止まります)")
                            .arg(logging.join(QStringLiteral(", ")), driver);
    }
    c.dataSourceUsable = true;
}

}  // namespace check
