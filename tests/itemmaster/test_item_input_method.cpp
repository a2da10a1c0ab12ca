// The input method follows the field, against a real ibus-daemon (with the Anthy engine) on a
// private session bus that the test starts: the name turns kana-kanji conversion on, the number
// and code fields turn it off again; where no framework runs nothing happens and nothing is said.
#include "item_screen.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// dbus-daemon and ibus-daemon of the test's own; the process finds them as a program of the
// desktop session would: DBUS_SESSION_BUS_ADDRESS and the address file under XDG_CONFIG_HOME.
class IBusSession {
public:
    IBusSession() {
        const QString dbus = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        const QString ibusDaemon = QStandardPaths::findExecutable(QStringLiteral("ibus-daemon"));
        if (dbus.isEmpty() || ibusDaemon.isEmpty() || !QFile::exists(QStringLiteral("/usr/share/ibus/component/anthy.xml"))) {
            problem = QStringLiteral("dbus-daemon, ibus-daemon or ibus-anthy is missing (scripts/setup installs them)");
            unavailable = true;
            return;
        }
        bus.start(dbus, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                         QStringLiteral("--address=unix:dir=") + dir.path()});
        if (!bus.waitForReadyRead(10000)) {
            problem = QStringLiteral("dbus-daemon did not start: ") + QString::fromUtf8(bus.readAllStandardError());
            return;
        }
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_CACHE_HOME", (dir.path() + QStringLiteral("/cache")).toUtf8());
        qunsetenv("IBUS_ADDRESS");
        qunsetenv("DISPLAY");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));  // not the user's settings
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));        // the engine's own python3
        daemon.setProcessEnvironment(env);
        daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon.start(ibusDaemon, {QStringLiteral("--panel=disable"), QStringLiteral("--emoji-extension=disable"),
                                  QStringLiteral("--xim=false"), QStringLiteral("--replace")});
        // The operator types with a US keyboard; the engine can be set once the daemon answers.
        bool answered = false;
        for (int i = 0; i < 100 && !(answered = setEngine(QStringLiteral("xkb:us::eng"))); ++i) QTest::qWait(100);
        if (!answered) problem = QStringLiteral("ibus-daemon does not answer");
    }
    ~IBusSession() {
        for (QProcess* p : {&daemon, &bus}) {
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
        }
        for (const char* v : {"DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) qunsetenv(v);
    }

    // The engine IBus types with now, as its own command tells.
    QString engine() { return engineCommand({}).value_or(QString()); }
    // Its exit code says nothing (1 also when it worked): what counts is the engine afterwards.
    bool setEngine(const QString& name) {
        engineCommand({name});
        return engine() == name;
    }

    QString problem;
    bool unavailable = false;

private:
    // What the command printed, nothing when it failed (no engine set, no daemon reached).
    static std::optional<QString> engineCommand(const QStringList& args) {
        QProcess ibus;
        ibus.start(QStringLiteral("ibus"), QStringList{QStringLiteral("engine")} + args);
        if (!ibus.waitForFinished(10000) || ibus.exitStatus() != QProcess::NormalExit || ibus.exitCode() != 0) return {};
        return QString::fromUtf8(ibus.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir dir;
    QProcess bus;
    QProcess daemon;
};

}  // namespace

class TestItemInputMethod : public QObject {
    Q_OBJECT

private slots:
    void theNameTurnsConversionOnTheOtherFieldsOff() {
        IBusSession ibus;
        if (!ibus.problem.isEmpty()) {
            if (!ibus.unavailable || qEnvironmentVariable("CI") == QLatin1String("true")) QFAIL(qPrintable(ibus.problem));
            QSKIP(qPrintable(ibus.problem));
        }
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        QCOMPARE(ibus.engine(), QStringLiteral("xkb:us::eng"));  // the search field wants none

        s.enterBody(f->Koumoku_NM);
        QTRY_COMPARE_WITH_TIMEOUT(ibus.engine(), QStringLiteral("anthy"), 20000);
        ItemScreen::focus(f->Zokusei);
        QTRY_COMPARE_WITH_TIMEOUT(ibus.engine(), QStringLiteral("xkb:us::eng"), 10000);  // the operator's own layout
        ItemScreen::focus(f->Koumoku_NM);
        QTRY_COMPARE_WITH_TIMEOUT(ibus.engine(), QStringLiteral("anthy"), 10000);
        // Enter after the name: the next field switches it off again.
        s.type(QStringLiteral("abc"));
        s.press(Qt::Key_Return);
        QCOMPARE(s.focused(), f->Zokusei);
        QTRY_COMPARE_WITH_TIMEOUT(ibus.engine(), QStringLiteral("xkb:us::eng"), 10000);
    }

    void withoutAFrameworkNothingIsSaid() {
        QTemporaryDir empty;
        qputenv("XDG_CONFIG_HOME", empty.path().toUtf8());
        for (const char* v : {"DBUS_SESSION_BUS_ADDRESS", "IBUS_ADDRESS", "XDG_RUNTIME_DIR"}) qunsetenv(v);
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();

        // Standard error goes to a file while the fields are entered.
        QTemporaryFile log;
        QVERIFY(log.open());
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        ::dup2(log.handle(), STDERR_FILENO);
        s.enterBody(f->Koumoku_NM);
        for (InputField* field : {f->Zokusei, f->Koumoku_NM, f->Nagasa, f->Koumoku_NM}) ItemScreen::focus(field);
        QTest::qWait(200);
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        qunsetenv("XDG_CONFIG_HOME");

        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(QString::fromUtf8(log.readAll()), QString());
    }
};

QTEST_MAIN(TestItemInputMethod)
#include "test_item_input_method.moc"
