#include "platform/cp932.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace platform {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; at an unconvertible sequence calls skip(in, left, out) to
    // decide how many input bytes to pass over and what to emit instead.
    template <typename Skip>
    QByteArray run(const QByteArray& input, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.reserve(input.size() * 2 + 4);
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = static_cast<size_t>(input.size());
        char buffer[1024];
        while (inLeft > 0) {
            char* o = buffer;
            size_t oLeft = sizeof buffer;
            const size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
            out.append(buffer, static_cast<qsizetype>(o - buffer));
            if (r != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: an unconvertible or incomplete sequence.
            const size_t n = skip(in, inLeft, errno == EINVAL, out);
            in += n;
            inLeft -= n;
        }
        return out;
    }

private:
    iconv_t cd_;
};

size_t utf8SequenceLength(const char* p, size_t left) {
    const auto c = static_cast<unsigned char>(*p);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    return n > left ? left : n;
}

}  // namespace

QByteArray toCp932(const QString& text) {
    thread_local Converter conv("CP932", "UTF-8");
    return conv.run(text.toUtf8(), [](const char* in, size_t left, bool, QByteArray& out) {
        out.append('?');
        return utf8SequenceLength(in, left);
    });
}

std::optional<QByteArray> toCp932Whole(const QString& text) {
    thread_local Converter conv("CP932", "UTF-8");
    bool whole = true;
    QByteArray bytes = conv.run(text.toUtf8(), [&whole](const char* in, size_t left, bool, QByteArray&) {
        whole = false;
        return utf8SequenceLength(in, left);
    });
    if (!whole) return std::nullopt;
    return bytes;
}

QString fromCp932(const QByteArray& bytes) {
    thread_local Converter conv("UTF-8", "CP932");
    const QByteArray utf8 = conv.run(bytes, [](const char*, size_t left, bool incomplete, QByteArray& out) {
        if (incomplete) return left;  // dangling lead byte at the end: drop it
        out.append('?');
        return size_t{1};
    });
    return QString::fromUtf8(utf8);
}

int cp932Length(const QString& text) { return static_cast<int>(toCp932(text).size()); }

QString cutToCp932Bytes(const QString& text, int maxBytes) {
    if (maxBytes <= 0) return QString();
    return fromCp932(toCp932(text).left(maxBytes));
}

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

QStringView trimSpaces(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
    return text.sliced(begin, end - begin);
}

QString trimSpaces(const QString& text) {
    const QStringView trimmed = trimSpaces(QStringView(text));
    // A text without blanks at its ends is shared, not copied.
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

}  // namespace platform
