// A throwaway site for tests: a folder with the program two levels below EDI.ini.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

class TestSite {
public:
    TestSite();
    QString root() const { return dir_.path(); }
    // Where the program lives: <root>/app/bin.
    QString programFolder() const { return dir_.path() + QStringLiteral("/app/bin"); }
    QString iniPath() const { return dir_.path() + QStringLiteral("/EDI.ini"); }
    void writeIni(const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// A complete, realistic EDI.ini (UTF-8) with the data source given.
// Keys in overrides replace or add "Section/Key" values; a null value removes the key.
QByteArray standardIni(const QString& dataSource = QStringLiteral("EDI_TEST"),
                       const QMap<QString, QString>& overrides = {});

// Back to a fresh process state between test cases.
void resetProgramState();
