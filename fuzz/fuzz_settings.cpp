// EDI.ini as any bytes: the two readers and the number conversions never crash; a damaged file
// ends the program through the toolkit, nothing else.
#include "fuzz_support.h"

#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace {
QTemporaryDir* site = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzProcess(argc, argv);
    site = new QTemporaryDir;
    QDir(site->path()).mkpath(QStringLiteral("app/bin"));
    fuzzToolkit().programFolderPath = site->path() + QStringLiteral("/app/bin");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile file(site->path() + QStringLiteral("/EDI.ini"));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    resetWorkArea();
    forgetToolkitRecords();
    try {
        readEnvironment();
        readSettings();
    } catch (const platform::ProgramEnded&) {
        FUZZ_CHECK(!fuzzToolkit().boxes.isEmpty());  // never ended without telling why
    }
    FUZZ_CHECK(fuzzToolkit().unexpectedBoxes.isEmpty());

    // The conversions on the bytes as one value, read either way the reader decodes a file.
    for (const QString& text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        if (const auto n = toNumber(text)) {
            if (const auto i = toInt16(text)) FUZZ_CHECK(std::abs(*n - *i) <= 0.5 || std::isnan(*n));
        }
        (void)cutAtNul(text);
    }
    return 0;
}
