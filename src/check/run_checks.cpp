#include "check/health_check.h"
#include "check_context.h"

#include "platform/platform.h"
#include "settings/settings.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace check {

namespace {

struct Step {
    const char* name;
    const char* title;
    void (*run)(Context&, Result&);
};

constexpr Step steps[] = {
    {"settings", "設定ファイル", checkSettingsFile},
    {"data_source", "データソース", checkDataSource},
    {"login", "ログイン", checkLogin},
    {"tables", "表と列", checkTables},
    {"privileges", "権限", checkPrivileges},
    {"japanese_text", "日本語の往復", checkJapaneseText},
    {"item_list", "一覧の文", checkItemList},
    {"history", "履歴", checkHistory},
    {"lock_and_keepalive", "ロックとキープアライブ", checkWaits},
    {"settings_permissions", "設定ファイルの権限", checkSettingsPermissions},
};

// Passwords never leave the check: a connect string's PWD= and a password in a statement are
// masked as in the program's log, and the settings' password wherever a driver repeated it.
// A password of fewer than four characters would be found inside ordinary words instead.
QString masked(const QString& text, const QString& password) {
    QString out = platform::maskSecrets(text);
    if (password.size() >= 4) out.replace(password, QStringLiteral("***"));
    return out;
}

}  // namespace

bool Report::passed() const {
    for (const Result& r : results)
        if (r.status != Status::Ok) return false;
    return !results.isEmpty();
}

Report runChecks(const Options& options) {
    Context c;
    c.options = options;
    if (!options.iniPath.isEmpty()) {
        c.settingsFile = QFileInfo(options.iniPath).absoluteFilePath();
    } else if (const auto folder = settingsFolderFor(options.programFolder)) {
        c.settingsFile = *folder + QStringLiteral("/EDI.ini");
    }
    Report report;
    report.settingsFile = c.settingsFile;
    for (const Step& step : steps) {
        Result r;
        r.name = QString::fromLatin1(step.name);
        r.title = QString::fromUtf8(step.title);
        QElapsedTimer timer;
        timer.start();
        step.run(c, r);
        r.ms = timer.elapsed();
        r.detail = masked(r.detail, c.password);
        r.remedy = masked(r.remedy, c.password);
        report.results.append(r);
    }
    // Closing never commits; nothing was written. psqlODBC told to log writes its log file as the
    // connection closes, whatever the connect string says: that connection is left to the end of
    // the process instead, which the server takes quietly from a session without a transaction.
    if (c.driverLogs) {
        (void)c.connection.release();
        (void)c.environment.release();
    }
    c.connection.reset();
    c.environment.reset();
    return report;
}

}  // namespace check
