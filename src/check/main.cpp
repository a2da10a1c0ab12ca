// r205730-check [--ini PATH] [--user NAME] [--json]
#include "check/health_check.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace {

const char* const help = R"(使い方: r205730-check [--ini PATH] [--user NAME] [--json]

R205730 (項目情報マスタ保守) が動くかを、この端末で確かめます。プログラムと同じように
EDI.ini を読み、データベースに接続して、次を一行ずつ OK か NG で示します。NG には原因と
対処が付きます。前の確認が NG で確かめられないものは SKIP と理由を示します。

  設定ファイル          EDI.ini が見つかり、UTF-8 か CP932 で読め、必要なキーがある
  データソース          DBSTRING のデータソースがどの odbc.ini (利用者/システム) にあり、
                        ドライバのファイルがあって読み込める
  ログイン              USERID/PASSWD で接続できる (かかった時間、待つのは 10 秒まで)
  表と列                FL1901項目情報マスタ、区分マスタ、FL0003担当者マスタとその列がある
  権限                  PostgreSQL: 必要な権限 (has_table_privilege で、書き込まずに)
                        SQLite: 操作者がファイルとフォルダに書き込める
  日本語の往復          日本語の文字列が変わらずに戻る
  一覧の文              R205730 の一覧の文が動く (時間と件数)
  ロックとキープアライブ  README の推奨する待ちの設定がある
  設定ファイルの権限    パスワードの入った EDI.ini をだれでもは読めない

データベースにもほかの場所にも何も書きません (読み取り専用で接続し、ログも作りません)。
パスワードは表示しません。

  --ini PATH    この EDI.ini を確かめる (既定: プログラムのフォルダの二つ上の EDI.ini、
                R205730 が読むもの)
  --user NAME   root で実行したとき、SQLite のファイルへの書き込みをこの操作者として確かめる
                (既定: グループ r205730 だけに属する利用者として)
  --json        同じ結果を JSON で出す (監視用)
  --help        この説明

終了コード: 0 すべて OK、1 NG か確かめられないものがある、2 使い方の誤り。
)";

int usageError(const QString& message) {
    std::fprintf(stderr, "r205730-check: %s\n%s", message.toUtf8().constData(),
                 "r205730-check --help で使い方を表示します\n");
    return 2;
}

// As the program: the environment's locale, and a UTF-8 character set where it is not one, since
// the driver manager hands text to the SQLite driver in it.
void useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && std::strcmp(codeset, "UTF-8") == 0) return;
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "ja_JP.UTF-8"})
        if (std::setlocale(LC_CTYPE, name)) return;
}

}  // namespace

int main(int argc, char* argv[]) {
    check::Options options;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        auto value = [&](const QString& name) -> std::optional<QString> {
            if (arg.startsWith(name + QLatin1Char('='))) return arg.mid(name.size() + 1);
            if (arg == name && i + 1 < argc) return QString::fromLocal8Bit(argv[++i]);
            return std::nullopt;
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(help, stdout);
            return 0;
        } else if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg == QLatin1String("--ini") || arg.startsWith(QLatin1String("--ini="))) {
            const auto v = value(QStringLiteral("--ini"));
            if (!v || v->isEmpty()) return usageError(QStringLiteral("--ini には EDI.ini の場所を付けてください"));
            options.iniPath = *v;
        } else if (arg == QLatin1String("--user") || arg.startsWith(QLatin1String("--user="))) {
            const auto v = value(QStringLiteral("--user"));
            if (!v || v->isEmpty()) return usageError(QStringLiteral("--user には操作者の利用者名を付けてください"));
            options.operatorUser = *v;
        } else {
            return usageError(QStringLiteral("知らない引数です: ") + arg);
        }
    }
    if (!options.operatorUser.isEmpty()) {
        const passwd* self = ::getpwuid(::geteuid());
        if (!::getpwnam(QFile::encodeName(options.operatorUser).constData()))
            return usageError(QStringLiteral("利用者 %1 がいません").arg(options.operatorUser));
        if (::geteuid() != 0 && (!self || options.operatorUser != QString::fromLocal8Bit(self->pw_name)))
            return usageError(QStringLiteral("--user はほかの利用者について root で実行したときだけ使えます"));
    }
    useUtf8Locale();
    // The folder of the program file itself, links resolved, as R205730 finds its own.
    options.programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const check::Report report = check::runChecks(options);
    if (json) {
        const QByteArray out = check::jsonReport(report);
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    } else {
        std::fputs(check::textReport(report).toUtf8().constData(), stdout);
    }
    std::fflush(stdout);
    return report.passed() ? 0 : 1;
}
