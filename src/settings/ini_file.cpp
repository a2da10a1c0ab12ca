#include "ini_file.h"

#include "platform/cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QDateTime>
// Byte strings only: the file is decoded to UTF-8 before parsing.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

struct IniFile::Impl {
    CSimpleIniA ini{false, false, false};  // byte strings, single keys, no multi-line values
};

IniFile::IniFile() : impl_(std::make_unique<Impl>()) {}
IniFile::~IniFile() = default;

std::shared_ptr<const IniFile> IniFile::fromBytes(const QByteArray& raw) {
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    // Hand-written files come in either encoding; decide by whether it is valid UTF-8.
    const QByteArray utf8 = platform::isValidUtf8(bytes) ? bytes : platform::fromCp932(bytes).toUtf8();
    std::shared_ptr<IniFile> file(new IniFile());
    file->impl_->ini.LoadData(utf8.constData(), static_cast<size_t>(utf8.size()));
    return file;
}

std::shared_ptr<const IniFile> IniFile::load(const QString& path) {
    // The readers ask once per key; keep the parse of an unchanged file.
    static QString cachedPath;
    static qint64 cachedSize = -1;
    static QDateTime cachedModified;
    static std::shared_ptr<const IniFile> cached;

    const QFileInfo info(path);
    if (!info.isFile()) return std::shared_ptr<IniFile>(new IniFile());
    if (cached && path == cachedPath && info.size() == cachedSize && info.lastModified() == cachedModified)
        return cached;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::shared_ptr<IniFile>(new IniFile());
    cached = fromBytes(f.readAll());
    cachedPath = path;
    cachedSize = info.size();
    cachedModified = info.lastModified();
    return cached;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const char* v = impl_->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!v) return std::nullopt;
    return QString::fromUtf8(v);
}
