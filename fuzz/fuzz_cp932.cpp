// Code page 932 conversion and byte cuts. Input: two bytes of byte limit, then text bytes read
// both as code page 932 and as UTF-8.
#include "fuzz_support.h"

#include "platform/cp932.h"
#include "screen/screen.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startFuzzProcess(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int limit = int(int16_t(data[0] | (data[1] << 8)));
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    for (const QString& text : {platform::fromCp932(bytes), QString::fromUtf8(bytes)}) {
        const QByteArray encoded = platform::toCp932(text);
        const int length = platform::cp932Length(text);
        FUZZ_CHECK(length == encoded.size());
        FUZZ_CHECK(sjisByteLength(text) == length);
        // Once normalised, text goes through code page 932 and back unchanged.
        const QString normalised = platform::fromCp932(encoded);
        FUZZ_CHECK(platform::fromCp932(platform::toCp932(normalised)) == normalised);
        FUZZ_CHECK(platform::cp932Length(normalised) == length);

        const QString cut = platform::cutToCp932Bytes(text, limit);
        const int cutLength = platform::cp932Length(cut);
        FUZZ_CHECK(cutLength <= std::max(limit, 0));
        FUZZ_CHECK(cutLength <= length);
        FUZZ_CHECK(normalised.startsWith(platform::fromCp932(platform::toCp932(cut))));
        if (limit >= length) FUZZ_CHECK(cutLength == length);
        else if (limit >= 0) FUZZ_CHECK(cutLength >= limit - 1);  // at most half a character is dropped
        FUZZ_CHECK(platform::trimSpaces(text).size() <= text.size());
    }
    return 0;
}
