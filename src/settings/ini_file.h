// Reads an initialisation file written in code page 932 or UTF-8.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class IniFile {
public:
    // A file that cannot be read gives an empty IniFile.
    static std::shared_ptr<const IniFile> load(const QString& path);
    static std::shared_ptr<const IniFile> fromBytes(const QByteArray& bytes);
    ~IniFile();

    // Section and key names are compared without regard to ASCII case.
    std::optional<QString> value(const QString& section, const QString& key) const;

private:
    IniFile();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
