// r205730-check: the administrator's health check of a workstation. Each check reads what the
// program reads, the way it reads it, and writes nothing.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace check {

struct Options {
    // EDI.ini as given by --ini; empty: the file the program reads, two folder levels above
    // programFolder.
    QString iniPath;
    QString programFolder;
    // Run as root: the operator whose access to a SQLite file counts (--user); empty: any member
    // of the operators' group.
    QString operatorUser;
};

enum class Status { Ok, Ng, Skipped };

struct Result {
    QString name;   // stable, for monitoring: "settings", "data_source", ...
    QString title;  // for the administrator
    Status status = Status::Ok;
    QString detail;    // what was found; for a skipped check, why it could not run
    QString remedy;    // what to do, for NG
    qint64 ms = 0;     // the check's own time
    qint64 rows = -1;  // the item list's rows, where counted
};

struct Report {
    QString settingsFile;
    QList<Result> results;
    bool passed() const;
};

Report runChecks(const Options& options);

// One line per check and a closing line; no password ever appears in either form.
QString textReport(const Report& report);
QByteArray jsonReport(const Report& report);

}  // namespace check
