// The surroundings failing under an explorer session, one fault at a time, at random points:
// between steps, and while the operator reads a question (nothing of the program is under way
// then). Made for real with tests/support/fault_harness.h.
//   SQLite: another program holds the write lock past the data source's wait, for a step or two;
//   the store is full for a few steps (the session's database lives on a small file system from
//   its start); a backup taken earlier is put back at the file's path.
//   PostgreSQL: the program's connection goes through a relay, which resets it, or resets it at
//   the commit of a confirmed write (before the server has it, after the server answered it, or
//   after that and then refusing new connections for a few steps); the server restarts, or stops
//   for a few steps. The shadow and the other workstation go to the server directly.
// What the checks need to know follows the faults: when a box must be free of cause sentences
// (the fault is over), which causes a box may name, whether the table can be read or written by
// anyone else at all.
#pragma once

#include "db/db.h"
#include "fault_harness.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <climits>
#include <memory>
#include <optional>

class TestDatabase;

class FaultInjector {
public:
    enum class Kind { Lock, Full, FilePutBack, Reset, ResetAtCommit, CommitUnanswered, Restart, ServerDown };
    static constexpr int kindCount = 8;
    static QString name(Kind kind);

    // server: the explorer's own PostgreSQL server when the session runs there, else null (SQLite).
    FaultInjector(QRandomGenerator& rng, faults::PgServer* server, bool trace);
    // Every fault undone, whatever state the session ended in.
    ~FaultInjector();
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // Around the making of the session's database: SQLite puts it on the small file system;
    // PostgreSQL leads the program's connection through the relay (openDatabase again).
    void beforeDatabase();
    void afterDatabase(TestDatabase& database);
    // Fault kinds this machine cannot make (no mount for the small file system), for the report.
    QString unavailable() const { return unavailable_; }

    // Between two steps: the fault on may end, or one may begin.
    void betweenSteps();
    // The step's boxes start counting.
    void beginStep();
    // A question is up (its index among the step's boxes), not yet answered.
    void atQuestion(int box);
    // The operator answered that question with a write (Yes to the save, OK to the delete).
    void writeConfirmed(int box);
    // The step is over: a reset armed for a commit that never came is taken back.
    void endStep();
    // Every fault undone now.
    void clearAll();

    bool on() const { return fault_.has_value(); }
    // The table cannot be read now, and so nothing can change it either (a lock held, the server down).
    bool tableUnreadable() const;
    // The other workstation can write now.
    bool othersMayWrite() const;
    // A fault was on at some point of this step (its statements may wait out the lock time).
    bool hitStep() const { return hitStep_; }
    // The fault was over (or none had begun) when this box of the step was shown: it carries no
    // cause sentence.
    bool mustBeClean(int box) const { return box >= cleanFrom_ && box < cleanTo_; }
    // The causes a box of this step may name, and whether the outcome of a commit may be unknown.
    const QList<db::Cause>& causes() const { return causes_; }
    bool mayLoseCommit() const { return mayLoseCommit_; }

    int injected() const;
    int injected(Kind kind) const { return counts_[size_t(kind)]; }

private:
    struct Fault {
        Kind kind;
        int stepsLeft = 0;  // between-step points it still lasts
    };
    QList<Kind> candidates() const;
    void inject(Kind kind, std::optional<int> box);
    void clear(std::optional<int> box);
    void undo();
    void takeBackup();
    void disarm();
    void note(const QString& what) const;
    void noteCauses(Kind kind);

    QRandomGenerator& rng_;
    faults::PgServer* server_;
    bool trace_;
    TestDatabase* database_ = nullptr;
    QString unavailable_;

    std::unique_ptr<faults::SmallFileSystem> disk_;
    std::unique_ptr<faults::SqliteLockHolder> lock_;
    std::unique_ptr<faults::TcpProxy> proxy_;
    QTemporaryDir backupFolder_;
    QString file_;
    bool backupTaken_ = false;

    std::optional<Fault> fault_;
    bool armed_ = false;  // the relay waits for a COMMIT
    std::array<int, kindCount> counts_{};

    bool changedInStep_ = false;  // one fault begins or ends in a step, no more
    bool hitStep_ = false;
    int cleanFrom_ = 0;
    int cleanTo_ = INT_MAX;
    QList<db::Cause> causes_;
    bool mayLoseCommit_ = false;
};
