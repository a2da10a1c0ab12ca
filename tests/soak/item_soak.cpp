// Several workstations on one PostgreSQL database: each a process with its own connection, work
// area and shown item screen, saving and deleting overlapping item numbers through saveItem and
// deleteItem for a fixed time. Then the invariants: no duplicate item numbers; every save reported
// done is visible unless a later save or delete replaced it, and every delete reported done holds
// unless a later save came; every refusal was told with the update-cancelled message and left no
// row of its own. Prints operations done, refused and lost; exits 1 when an invariant breaks.
//
//   item_soak [SECONDS=20] [WORKSTATIONS=4]        (exit 77: no PostgreSQL server here)
#include "itemmaster/itemmaster.h"
#include "platform/scripted_toolkit.h"
#include "screen_fixture.h"
#include "test_database.h"
#include "test_site.h"

#include "db/db.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>

#include <chrono>
#include <cstdio>

using namespace platform;

namespace {
const QString updateCancelled = QStringLiteral("更新時にｴﾗｰがあった為,ﾃﾞｰﾀの更新は中止しました");
// Few shared numbers, so that the workstations meet on them; a few of each workstation's own,
// where only its own operations follow one another and nothing hides a lost one.
constexpr int firstItem = 9001;
constexpr int sharedCount = 6;
constexpr int ownCount = 3;
int ownItem(int workstation, int i) { return 9100 + workstation * 10 + i; }

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One operation as a workstation reported it.
struct Operation {
    QString kind;  // "save" or "delete"
    int item = 0;
    QString name;  // what a save wrote
    int length = 0;
    qint64 start = 0, end = 0;
    bool done = false;
    QString boxes;  // the texts shown, joined by "|"
};

// --- a workstation ---------------------------------------------------------

int runWorkstation(int number, double seconds, const QString& logPath) {
    ScriptedToolkitScope scope;
    workarea.dataSource = QStringLiteral("EDI_TEST");
    workarea.dbUserId = qEnvironmentVariable("R205730_SOAK_USER");
    workarea.dbPassword = qEnvironmentVariable("R205730_SOAK_PASSWORD");
    workarea.machineName = QStringLiteral("WS%1").arg(number);
    try {
        openDatabase();
        setSampleAppearance();
        workarea.mainForm = new F_R205730;
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
    F_R205730* f = workarea.mainForm;
    QRandomGenerator rng(quint32(number * 7919 + QDateTime::currentMSecsSinceEpoch()));
    const qint64 deadline = nowNs() + qint64(seconds * 1e9);
    for (int seq = 1; nowNs() < deadline; ++seq) {
        Operation op;
        op.item = rng.bounded(3) == 0 ? ownItem(number, int(rng.bounded(ownCount))) : firstItem + int(rng.bounded(sharedCount));
        op.kind = rng.bounded(10) < 7 ? QStringLiteral("save") : QStringLiteral("delete");
        op.name = QStringLiteral("W%1-%2").arg(number).arg(seq);
        op.length = 1 + int(rng.bounded(200));
        scope.tk.boxes.clear();
        f->Koumoku->setText(QString::number(op.item));
        f->Koumoku_NM->setText(op.name);
        f->Zokusei->setText(QStringLiteral("X"));
        f->Nagasa->setText(QString::number(op.length));
        f->Nagasa_S->setText(QString());
        newItemFlag = 0;
        Int16 result = 0;
        op.start = nowNs();
        try {
            if (op.kind == QLatin1String("save")) {
                saveItem(result);
            } else {
                scope.tk.answer(vbOK);
                deleteItem(result);
            }
        } catch (const ProgramEnded&) {
            std::fprintf(stderr, "workstation %d ended: %s\n", number, qPrintable(scope.tk.boxTexts().join('|')));
            return 2;
        }
        op.end = nowNs();
        op.done = result == 0;
        QStringList shown = scope.tk.boxTexts();
        shown.removeAll(QStringLiteral("削除してよろしいですか"));
        out << op.kind << '\t' << op.item << '\t' << op.name << '\t' << op.length << '\t' << op.start << '\t'
            << op.end << '\t' << (op.done ? 1 : 0) << '\t' << shown.join('|') << '\n';
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
        if (p.size() < 8) continue;
        ops.append({p[0], p[1].toInt(), p[2], p[3].toInt(), p[4].toLongLong(), p[5].toLongLong(), p[6] == "1", p[7]});
    }
    return ops;
}

int runSoak(const QString& program, double seconds, int workstations) {
    TestDatabase database(TestDatabase::Engine::PostgreSQL);
    if (!database.isReady()) {
        std::fprintf(stderr, "soak: %s\n", qPrintable(database.problem()));
        const bool required = qEnvironmentVariable("CI") == QLatin1String("true");
        return database.isUnavailable() && !required ? 77 : 1;
    }
    database.loadSampleData();
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
    QMap<QString, const Operation*> saveByName;
    int done = 0, refused = 0, lost = 0;
    for (const Operation& op : ops) {
        if (op.kind == QLatin1String("save")) saveByName.insert(op.name, &op);
        if (op.done) {
            ++done;
            if (!op.boxes.isEmpty()) fail(QStringLiteral("%1 %2 done but showed %3").arg(op.kind, op.name, op.boxes));
        } else {
            ++refused;
            if (op.boxes != updateCancelled)
                fail(QStringLiteral("%1 %2 refused with \"%3\"").arg(op.kind, op.name, op.boxes));
        }
    }

    const QString duplicates = database.queryValue(QStringLiteral(
        "SELECT COUNT(*) FROM (SELECT 項目No FROM FL1901項目情報マスタ GROUP BY 項目No HAVING COUNT(*) > 1) AS d")).toString();
    if (duplicates != QLatin1String("0")) fail(QStringLiteral("%1 item numbers stored twice").arg(duplicates));

    QList<int> items;
    for (int i = 0; i < sharedCount; ++i) items.append(firstItem + i);
    for (int w = 1; w <= workstations; ++w)
        for (int i = 0; i < ownCount; ++i) items.append(ownItem(w, i));
    for (const int item : items) {
        const QString where = QStringLiteral(" FROM FL1901項目情報マスタ WHERE 項目No = %1").arg(item);
        const QVariant storedName = database.queryValue(QStringLiteral("SELECT データ項目名") + where);
        const Operation* writer = storedName.isNull() ? nullptr : saveByName.value(storedName.toString());
        if (!storedName.isNull()) {
            // The row is whole and is the work of a save that was reported done.
            if (!writer || !writer->done) {
                fail(QStringLiteral("item %1 holds \"%2\", which no save reported done").arg(item).arg(storedName.toString()));
                continue;
            }
            if (writer->item != item ||
                database.queryValue(QStringLiteral("SELECT 長さ") + where).toInt() != writer->length ||
                database.queryValue(QStringLiteral("SELECT 属性") + where).toString() != QLatin1String("X"))
                fail(QStringLiteral("item %1 holds a partial row of %2").arg(item).arg(writer->name));
        }
        for (const Operation& op : ops) {
            if (op.item != item || !op.done) continue;
            const bool holds = op.kind == QLatin1String("save") ? writer == &op : storedName.isNull();
            if (holds) continue;
            // What the item shows now must come from a done operation that ended after this one began.
            bool replaced = false;
            if (writer) {
                replaced = writer->end > op.start;
            } else {
                for (const Operation& later : ops)
                    if (later.item == item && later.done && later.kind == QLatin1String("delete") && later.end > op.start) {
                        replaced = true;
                        break;
                    }
            }
            if (!replaced) {
                ++lost;
                fail(QStringLiteral("%1 %2 of item %3 was reported done and is lost").arg(op.kind, op.name).arg(item));
            }
        }
    }
    std::printf("soak: %d workstations, %.0f s, %lld operations: done %d, refused %d, lost %d\n", workstations,
                seconds, static_cast<long long>(ops.size()), done, refused, lost);
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
