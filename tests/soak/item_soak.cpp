// Several workstations on one PostgreSQL database: each a process with its own connection, work
// area and shown item screen, running edit sessions on overlapping item numbers for a fixed time.
// A session opens an item as the operator would (the search, or the add command for a number not
// there), waits while the others work, then saves or deletes it. A trigger records every write
// with the row it replaced. Then the invariants: no duplicate item numbers; every write comes
// from an operation reported done, and every operation reported done wrote; a write replaced
// exactly the row its session had shown (else another workstation's change was lost); every
// refusal was told to the operator; the program's history holds exactly the writes, each once. The server is restarted in the middle of the run: the
// workstations ride it out, an operation it interrupted is refused with its reason, and one whose
// commit went unanswered may be found done or not. Prints operations done, refused and lost; exits
// 1 when an invariant breaks.
//
//   item_soak [SECONDS=20] [WORKSTATIONS=4]        (exit 77: no PostgreSQL server here)
#include "itemmaster/itemmaster.h"
#include "startup/startup.h"
#include "scripted_toolkit.h"
#include "screen_fixture.h"
#include "test_database.h"
#include "test_site.h"

#include "db/db.h"
#include "fault_harness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>
#include <QElapsedTimer>
#include <QSet>
#include <QThread>

#include <cstdio>
#include <optional>

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
const QString notFound = QStringLiteral("該当データがありません");
const QString absent = QStringLiteral("(absent)");
// Few shared numbers, so that the workstations meet on them; a few of each workstation's own.
constexpr int firstItem = 9001;
constexpr int sharedCount = 6;
constexpr int ownCount = 3;
int ownItem(int workstation, int i) { return 9100 + workstation * 10 + i; }

// One operation as a workstation reported it.
struct Operation {
    QString kind;   // "save" or "delete"
    int item = 0;
    QString name;   // what a save wrote
    QString seen;   // the name the session showed when it opened the item, or "(absent)"
    bool done = false;
    QString boxes;  // the texts shown after the item was opened, joined by "|"
    // Its commit went unanswered and could not be read back: done or not, either is right.
    bool unknown() const { return boxes == db::unknownOutcomeSentence(); }
};

// --- a workstation ---------------------------------------------------------

// Opens the item as the operator would: found by the search, or else entered as a new item.
// Returns the name shown, or "(absent)" for a new item.
QString openItem(F_R205730* f, int item) {
    f->Kensaku->setText(QString::number(item));
    searchItem();
    if (workarea.screenMode == QLatin1String("BODY")) return f->Koumoku_NM->text();
    startNewItem();
    f->Koumoku->setText(QString::number(item));
    return absent;
}

int runWorkstation(int number, double seconds, const QString& logPath) {
    ScriptedToolkitScope scope;
    workarea.dataSource = QStringLiteral("EDI_TEST");
    workarea.dbUserId = qEnvironmentVariable("R205730_SOAK_USER");
    workarea.dbPassword = qEnvironmentVariable("R205730_SOAK_PASSWORD");
    workarea.machineName = QStringLiteral("WS%1").arg(number);
    try {
        openDatabase();
        setSampleAppearance();
        workarea.mainForm = new F_R205730(confirmExit);
        applyAppearance();
        initItemScreen();
        showHeaderBand();
        workarea.mainForm->show();
    } catch (const ProgramEnded&) {
        std::fprintf(stderr, "workstation %d did not start: %s\n", number, qPrintable(scope.tk.boxTexts().join('|')));
        return 2;
    }
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
    QTextStream out(&log);
    F_R205730* f = itemScreen();
    QRandomGenerator rng(quint32(number * 7919 + QDateTime::currentMSecsSinceEpoch()));
    QElapsedTimer clock;
    clock.start();
    for (int seq = 1; clock.elapsed() < qint64(seconds * 1000); ++seq) {
        Operation op;
        op.item = rng.bounded(3) == 0 ? ownItem(number, int(rng.bounded(ownCount))) : firstItem + int(rng.bounded(sharedCount));
        op.kind = rng.bounded(10) < 7 ? QStringLiteral("save") : QStringLiteral("delete");
        op.name = QStringLiteral("W%1-%2").arg(number).arg(seq);
        Int16 result = 0;
        try {
            scope.tk.boxes.clear();
            scope.tk.answer(vbOK);  // the not-found message of a number that is not there
            // As the screen's handlers run it: a failure of the surroundings is told, not fatal.
            runHandler([&] { op.seen = openItem(f, op.item); });
            scope.tk.answers.clear();
            if (op.seen.isEmpty()) {
                // Not opened while the server was away: nothing to save or delete.
                QStringList told = scope.tk.boxTexts();
                told.removeAll(notFound);
                out << "open\t" << op.item << "\t\t\t0\t" << told.join('|') << '\n';
                scope.tk.boxes.clear();
                leaveEntry();
                continue;
            }
            scope.tk.boxes.clear();
            if (op.kind == QLatin1String("delete") && op.seen == absent) {
                leaveEntry();
                continue;
            }
            // The operator reads and types while the other workstations work.
            QThread::msleep(rng.bounded(40));
            if (op.kind == QLatin1String("save")) {
                f->Koumoku_NM->setText(op.name);
                f->Zokusei->setText(QStringLiteral("X"));
                f->Nagasa->setText(QString::number(1 + rng.bounded(200)));
                f->Nagasa_S->setText(QString());
                result = Int16(saveItem());
                reloadItemList();
                leaveEntry();
            } else {
                scope.tk.answer(vbOK);
                result = Int16(deleteItem());
            }
        } catch (const ProgramEnded&) {
            std::fprintf(stderr, "workstation %d ended: %s\n", number, qPrintable(scope.tk.boxTexts().join('|')));
            return 2;
        }
        op.done = result == 0;
        QStringList shown = scope.tk.boxTexts();
        shown.removeAll(QStringLiteral("削除してよろしいですか"));
        // A list that could not be read again while the server was away is read by the next search.
        shown.removeIf([](const QString& box) { return box.startsWith(QStringLiteral("一覧を読み込めませんでした")); });
        out << op.kind << '\t' << op.item << '\t' << op.name << '\t' << op.seen << '\t' << (op.done ? 1 : 0) << '\t'
            << shown.join('|') << '\n';
        out.flush();
        scope.tk.answers.clear();
    }
    closeDatabase();
    return 0;
}

// --- the run and its invariants -----------------------------------------------

QList<Operation> readLog(const QString& path) {
    QList<Operation> ops;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return ops;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList p = in.readLine().split('\t');
        if (p.size() < 6) continue;
        ops.append({p[0], p[1].toInt(), p[2], p[3], p[4] == "1", p[5]});
    }
    return ops;
}

// Every write to the item table, with the row it replaced, in the order the writes happened
// (writes of one row wait for each other's commit, so the sequence orders them).
const QString auditTrail = QStringLiteral(
    "CREATE TABLE 書込履歴 (seq SERIAL PRIMARY KEY, 操作 TEXT, 項目No INTEGER, 旧名 TEXT, 新名 TEXT);\n"
    "CREATE FUNCTION 書込記録() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
    "IF TG_OP = 'INSERT' THEN INSERT INTO 書込履歴 (操作, 項目No, 新名) VALUES ('INSERT', NEW.項目No, NEW.データ項目名); "
    "ELSIF TG_OP = 'DELETE' THEN INSERT INTO 書込履歴 (操作, 項目No, 旧名) VALUES ('DELETE', OLD.項目No, OLD.データ項目名); "
    "ELSIF NEW.データ項目名 IS DISTINCT FROM OLD.データ項目名 THEN "
    "INSERT INTO 書込履歴 (操作, 項目No, 旧名, 新名) VALUES ('UPDATE', NEW.項目No, OLD.データ項目名, NEW.データ項目名); "
    "END IF; RETURN NULL; END $$;\n"
    "CREATE TRIGGER 書込記録 AFTER INSERT OR UPDATE OR DELETE ON FL1901項目情報マスタ "
    "FOR EACH ROW EXECUTE FUNCTION 書込記録()");

struct Write {
    QString kind;  // INSERT, UPDATE, DELETE
    int item = 0;
    QString before, after;  // names; "(absent)" where there was no row
};

QList<Write> readAuditTrail(TestDatabase& database) {
    QList<Write> writes;
    for (const QStringList& row :
         database.queryRows(QStringLiteral("SELECT 操作, 項目No, 旧名, 新名 FROM 書込履歴 ORDER BY seq"))) {
        Write w;
        w.kind = row.value(0);
        w.item = row.value(1).toInt();
        w.before = w.kind == QLatin1String("INSERT") ? absent : row.value(2);
        w.after = w.kind == QLatin1String("DELETE") ? absent : row.value(3);
        writes.append(w);
    }
    return writes;
}

int runSoak(const QString& program, double seconds, int workstations) {
    // A server of the soak's own, restarted in the middle; the suite's keeps running.
    std::optional<faults::PgServer> server;
    if (!qEnvironmentVariable("R205730_PG_HOST").isEmpty()) server.emplace();
    if (server && !server->isReady()) {
        std::fprintf(stderr, "soak: %s\n", qPrintable(server->problem()));
        return 1;
    }
    TestDatabase database(TestDatabase::Engine::PostgreSQL);
    if (!database.isReady()) {
        std::fprintf(stderr, "soak: %s\n", qPrintable(database.problem()));
        const bool required = qEnvironmentVariable("CI") == QLatin1String("true");
        return database.isUnavailable() && !required ? 77 : 1;
    }
    database.loadSampleData();
    database.run(auditTrail);
    qputenv("R205730_SOAK_USER", database.userId().toUtf8());
    qputenv("R205730_SOAK_PASSWORD", database.password().toUtf8());

    QTemporaryDir logs;
    QList<QProcess*> processes;
    for (int w = 1; w <= workstations; ++w) {
        auto* p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->start(program, {QStringLiteral("--workstation"), QString::number(w), QString::number(seconds),
                           logs.filePath(QStringLiteral("ws%1.log").arg(w))});
        processes.append(p);
    }
    bool broken = false;
    auto fail = [&broken](const QString& why) {
        std::printf("invariant broken: %s\n", qPrintable(why));
        broken = true;
    };
    QThread::msleep(static_cast<unsigned long>(seconds * 500));
    if (server) server->restart();
    std::printf("soak: the server restarted after %.0f s\n", seconds / 2);
    for (int w = 0; w < processes.size(); ++w) {
        QProcess* p = processes[w];
        if (!p->waitForFinished(int(seconds * 1000) + 120000)) {
            p->kill();
            p->waitForFinished();
        }
        if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
            fail(QStringLiteral("workstation %1 did not end normally (code %2)").arg(w + 1).arg(p->exitCode()));
        delete p;
    }

    QList<Operation> ops;
    for (int w = 1; w <= workstations; ++w) ops += readLog(logs.filePath(QStringLiteral("ws%1.log").arg(w)));
    const QString interrupted = updateCancelled + QLatin1Char('\n') + db::causeSentence(db::Cause::Lost);
    const QStringList refusals{updateCancelled,
                               interrupted,
                               db::unknownOutcomeSentence(),
                               conflictMessage(Conflict::Changed, false),
                               conflictMessage(Conflict::Deleted, false),
                               conflictMessage(Conflict::Added, false),
                               conflictMessage(Conflict::Changed, true),
                               conflictMessage(Conflict::Deleted, true)};
    QMap<QString, const Operation*> saveByName;
    int done = 0, refused = 0, lost = 0, interruptions = 0, unopened = 0;
    ops.removeIf([&](const Operation& op) {
        if (op.kind != QLatin1String("open")) return false;
        ++unopened;
        if (op.boxes != db::causeSentence(db::Cause::Lost)) fail(QStringLiteral("item %1 not opened, told \"%2\"").arg(op.item).arg(op.boxes));
        return true;
    });
    for (const Operation& op : ops) {
        if (op.kind == QLatin1String("save")) saveByName.insert(op.name, &op);
        if (op.boxes == interrupted || op.unknown()) ++interruptions;
        if (op.done) {
            ++done;
            if (!op.boxes.isEmpty()) fail(QStringLiteral("%1 %2 done but showed %3").arg(op.kind, op.name, op.boxes));
        } else {
            ++refused;
            if (!refusals.contains(op.boxes)) fail(QStringLiteral("%1 %2 refused with \"%3\"").arg(op.kind, op.name, op.boxes));
        }
    }

    const QString duplicates = database.queryValue(QStringLiteral(
        "SELECT COUNT(*) FROM (SELECT 項目No FROM FL1901項目情報マスタ GROUP BY 項目No HAVING COUNT(*) > 1) AS d")).toString();
    if (duplicates != QLatin1String("0")) fail(QStringLiteral("%1 item numbers stored twice").arg(duplicates));

    // Each write belongs to an operation reported done, and replaced what that session had shown.
    QMap<int, QList<const Operation*>> deletesByItem;
    for (const Operation& op : ops)
        if ((op.done || op.unknown()) && op.kind == QLatin1String("delete")) deletesByItem[op.item].append(&op);
    QSet<const Operation*> written;
    for (const Write& w : readAuditTrail(database)) {
        const Operation* op = nullptr;
        if (w.kind == QLatin1String("DELETE")) {
            // The delete of the row a done delete had shown; else one that had shown something else.
            QList<const Operation*>& candidates = deletesByItem[w.item];
            for (const Operation* d : candidates)
                if (!written.contains(d) && d->seen == w.before) op = d;
            if (!op)
                for (const Operation* d : candidates)
                    if (!written.contains(d)) op = d;
        } else {
            op = saveByName.value(w.after);
        }
        if (!op || (!op->done && !op->unknown())) {
            fail(QStringLiteral("item %1: a %2 to \"%3\" that no operation reported done").arg(w.item).arg(w.kind, w.after));
            continue;
        }
        written.insert(op);
        if (op->seen != w.before) {
            ++lost;
            fail(QStringLiteral("%1 %2 of item %3 replaced \"%4\", but its session had shown \"%5\": that change is lost")
                     .arg(op->kind, op->name).arg(w.item).arg(w.before, op->seen));
        }
    }
    for (const Operation& op : ops)
        if (op.done && !written.contains(&op))
            fail(QStringLiteral("%1 %2 of item %3 was reported done and wrote nothing").arg(op.kind, op.name).arg(op.item));

    // The program's history: for each item, exactly the writes the trigger saw, in their order,
    // each by the workstation whose save wrote that name.
    const QMap<QString, QString> actions{{QStringLiteral("INSERT"), QStringLiteral("追加")},
                                         {QStringLiteral("UPDATE"), QStringLiteral("変更")},
                                         {QStringLiteral("DELETE"), QStringLiteral("削除")}};
    QMap<int, QStringList> trailByItem, historyByItem;
    int writes = 0, historyRows = 0;
    for (const Write& w : readAuditTrail(database)) {
        trailByItem[w.item] << QStringList{actions.value(w.kind), w.before, w.after}.join('|');
        ++writes;
    }
    for (const QStringList& row : database.queryRows(QStringLiteral(
             "SELECT 操作, 項目No, 変更前データ項目名, 変更後データ項目名, 端末名 FROM FL1901項目情報マスタ履歴 ORDER BY 履歴No"))) {
        const QString before = row.value(0) == QStringLiteral("追加") ? absent : row.value(2);
        const QString after = row.value(0) == QStringLiteral("削除") ? absent : row.value(3);
        historyByItem[row.value(1).toInt()] << QStringList{row.value(0), before, after}.join('|');
        ++historyRows;
        const QString workstation = QStringLiteral("WS") + after.section(QLatin1Char('-'), 0, 0).mid(1);
        if (after.startsWith(QLatin1Char('W')) && row.value(4) != workstation)
            fail(QStringLiteral("the history says %1 wrote \"%2\"").arg(row.value(4), after));
    }
    for (const int item : QSet<int>(trailByItem.keyBegin(), trailByItem.keyEnd()) + QSet<int>(historyByItem.keyBegin(), historyByItem.keyEnd()))
        if (const QStringList w = trailByItem.value(item), h = historyByItem.value(item); w != h) {
            qsizetype i = 0;
            while (i < w.size() && i < h.size() && w[i] == h[i]) ++i;
            fail(QStringLiteral("item %1: write %2 of %3 was %4, the history (%5 rows) says %6")
                     .arg(item).arg(i + 1).arg(w.size()).arg(w.value(i, QStringLiteral("none")))
                     .arg(h.size()).arg(h.value(i, QStringLiteral("none"))));
        }

    std::printf("soak: %d workstations, %.0f s, %lld operations: done %d, refused %d (%d by the restart), lost %d; "
                "%d searches told the server was away; %d writes, %d history rows\n",
                workstations, seconds, static_cast<long long>(ops.size()), done, refused, interruptions, lost, unopened,
                writes, historyRows);
    if (done == 0) fail(QStringLiteral("no operation was done"));
    return broken ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--workstation"))
        return runWorkstation(args[2].toInt(), args[3].toDouble(), args[4]);
    const double seconds = args.size() > 1 ? args[1].toDouble() : 20;
    const int workstations = args.size() > 2 ? args[2].toInt() : 4;
    if (seconds <= 0 || workstations < 1) {
        std::fprintf(stderr, "usage: item_soak [SECONDS] [WORKSTATIONS]\n");
        return 2;
    }
    return runSoak(app.applicationFilePath(), seconds, workstations);
}
