// The workstation the program runs on, gathered once at creation.
#pragma once

#include <QString>

class cProfile {
public:
    // A failure as the classic error object describes it.
    struct Failure {
        long number = 0;
        QString description;
        QString source;
    };

    cProfile();

    QString Build() const { return build_; }
    QString CSDVer() const { return csdVer_; }
    QString machine() const { return machine_; }
    QString Domain() const { return domain_; }
    QString OS() const { return os_; }
    QString User() const { return user_; }
    QString Ver() const { return ver_; }

    // Shows the failure in a critical box; an empty title becomes
    // "System Error Reported By <source>" in the caller's variable too.
    short reportError(const Failure& failure, QString& title) const;

private:
    QString build_, csdVer_, machine_, domain_, os_, user_, ver_;
};

// Copies the profile's OS, Ver, User and machine into the work area.
void fillProfile();
