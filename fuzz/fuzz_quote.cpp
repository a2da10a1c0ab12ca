// The quoting helper: any text pasted between apostrophes reads back, through the real SQLite
// driver, as exactly itself. Input: UTF-8 bytes (invalid ones become U+FFFD). NUL is left out:
// no path of the program puts one in a statement, and ODBC ends a statement text at it.
#include "fuzz_support.h"

#include "db/db.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
QTemporaryDir* folder = nullptr;

void write(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    f.write(text.toUtf8());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzProcess(argc, argv);
    folder = new QTemporaryDir;
    const QString dir = folder->path();
    write(dir + QStringLiteral("/odbcinst.ini"),
          QStringLiteral("[SQLite3]\nDriver=%1\n").arg(QStringLiteral(R205730_SQLITE_ODBC_DRIVER)));
    write(dir + QStringLiteral("/odbc.ini"),
          QStringLiteral("[EDI_FUZZ]\nDriver=SQLite3\nDatabase=%1/fuzz.sqlite\n").arg(dir));
    qputenv("ODBCSYSINI", QFile::encodeName(dir));
    qputenv("ODBCINI", QFile::encodeName(dir + QStringLiteral("/odbc.ini")));
    workarea.dataSource = QStringLiteral("EDI_FUZZ");
    try {
        openDatabase();
    } catch (const platform::ProgramEnded&) {
        std::fprintf(stderr, "fuzz_quote: no connection to the SQLite data source\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    text.remove(QChar(0));
    // The SQLite driver's own UTF-16 conversion of result text loses plane 16 (private use
    // only; no code page 932 text reaches it): those characters are not this helper's to keep.
    QString kept;
    for (const char32_t c : text.toUcs4())
        if (c < 0x100000) kept += QString::fromUcs4(&c, 1);
    text = kept;
    forgetToolkitRecords();
    const std::unique_ptr<db::ResultSet> rs =
        openReadOnly(QStringLiteral("SELECT '") + quoteSql(text) + QStringLiteral("' AS v"));
    FUZZ_CHECK(!rs->atEnd());
    const QString back = rs->columnValue(QStringLiteral("v")).toString();
    if (back != text) {
        std::fprintf(stderr, "quoted %s read back as %s\n", qPrintable(text), qPrintable(back));
        FUZZ_CHECK(back == text);
    }
    rs->closeResultSet();
    return 0;
}
