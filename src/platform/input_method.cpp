// The input method follows the field: kana-kanji conversion on in the name, off in the
// number and code fields. IBus is told through its own bus, fcitx5 through the session bus.
#include "platform/platform.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <optional>

namespace platform {

namespace {

constexpr int replyWaitMs = 1000;

// Waits for the answer of a call in the background; a refusal is written to the log.
void watchCall(const QDBusPendingCall& call, const QString& what, const std::function<void()>& done = {}) {
    auto* watcher = new QDBusPendingCallWatcher(call);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, what, done] {
        if (watcher->isError())
            logDetail(QStringLiteral("input method: %1 failed: %2").arg(what, watcher->error().message()));
        if (done) done();
        watcher->deleteLater();
    });
}

// --- IBus ---------------------------------------------------------------------

QString machineId() {
    for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) return QString::fromLatin1(file.readAll().trimmed());
    }
    return QString();
}

// The file in which ibus-daemon leaves its bus address for the display of this session.
QString ibusAddressFile() {
    if (const QString file = qEnvironmentVariable("IBUS_ADDRESS_FILE"); !file.isEmpty()) return file;
    QString host = QStringLiteral("unix");
    QString display = QStringLiteral("0");
    if (const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY"); !wayland.isEmpty()) {
        display = wayland;
    } else if (const QString x = qEnvironmentVariable("DISPLAY"); x.contains(QLatin1Char(':'))) {
        if (const QString h = x.section(QLatin1Char(':'), 0, 0); !h.isEmpty()) host = h;
        display = x.section(QLatin1Char(':'), 1).section(QLatin1Char('.'), 0, 0);
    }
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return QStringLiteral("%1/ibus/bus/%2-%3-%4").arg(config, machineId(), host, display);
}

// The address of a running ibus-daemon, empty when none runs.
QString ibusAddress() {
    if (const QString address = qEnvironmentVariable("IBUS_ADDRESS"); !address.isEmpty()) return address;
    QFile file(ibusAddressFile());
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QString address;
    qint64 pid = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("IBUS_ADDRESS=")) address = QString::fromUtf8(line.mid(13).trimmed());
        else if (line.startsWith("IBUS_DAEMON_PID=")) pid = line.mid(16).trimmed().toLongLong();
    }
    // A daemon that ended leaves its file behind.
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) return QString();
    return address;
}

// IBus's keyboard layouts are engines too: no conversion, just the keys.
bool isLayoutEngine(const QString& name) { return name.startsWith(QLatin1String("xkb:")); }

struct IBusEngine {
    QString name;
    QString language;
    uint rank = 0;
};

// IBus hands its objects over in variants, a property's value in two.
QDBusArgument unwrapped(QVariant value) {
    while (value.userType() == qMetaTypeId<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    return value.value<QDBusArgument>();
}

// An IBusEngineDesc: its type name, attachments, then name, long name, description, language,
// licence, author, icon, layout, rank and more.
IBusEngine engineOf(const QDBusArgument& arg) {
    IBusEngine e;
    QString typeName, longName, description, licence, author, icon, layout;
    QVariantMap attachments;
    arg.beginStructure();
    arg >> typeName >> attachments >> e.name >> longName >> description >> e.language >> licence >> author >> icon >>
        layout >> e.rank;
    arg.endStructure();
    return e;
}

class IBus {
public:
    void follow(bool on) {
        const QString address = ibusAddress();
        if (address.isEmpty()) return;
        if (address != address_) connect(address);
        if (!bus_.isConnected()) return;
        // A switch still under way counts as done: the first start of an engine takes seconds.
        const QString current = switching_ > 0 ? requested_ : globalEngine();
        const bool layout = current.isEmpty() || isLayoutEngine(current);
        QString target;
        if (on) {
            if (!layout) return;
            if (!current.isEmpty()) layoutEngine_ = current;
            if (!conversionEngine_) conversionEngine_ = bestJapanese(false);
            target = *conversionEngine_;
        } else {
            if (layout) return;
            conversionEngine_ = current;
            if (!layoutEngine_) layoutEngine_ = bestJapanese(true);
            target = *layoutEngine_;
        }
        if (target.isEmpty()) return;
        QDBusMessage set = QDBusMessage::createMethodCall(service(), path(), service(), QStringLiteral("SetGlobalEngine"));
        set << target;
        requested_ = target;
        ++switching_;
        watchCall(bus_.asyncCall(set, replyWaitMs * 10), QStringLiteral("IBus engine ") + target, [this] {
            if (switching_ > 0) --switching_;
        });
    }

private:
    static QString service() { return QStringLiteral("org.freedesktop.IBus"); }
    static QString path() { return QStringLiteral("/org/freedesktop/IBus"); }

    void connect(const QString& address) {
        if (!address_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName());
        address_ = address;
        layoutEngine_.reset();
        conversionEngine_.reset();
        switching_ = 0;
        bus_ = QDBusConnection::connectToBus(address, connectionName());
    }
    static QString connectionName() { return QStringLiteral("r205730-ibus"); }

    QDBusArgument property(const QString& name) {
        QDBusMessage get = QDBusMessage::createMethodCall(service(), path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << service() << name;
        const QDBusMessage reply = bus_.call(get, QDBus::Block, replyWaitMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QDBusArgument();
        return unwrapped(reply.arguments().constFirst());
    }

    // Empty while no engine has been chosen since the daemon started.
    QString globalEngine() {
        const QDBusArgument desc = property(QStringLiteral("GlobalEngine"));
        if (desc.currentType() != QDBusArgument::StructureType) return QString();
        return engineOf(desc).name;
    }

    // The Japanese engine of the highest rank: a keyboard layout, or a kana-kanji conversion.
    QString bestJapanese(bool layout) {
        const QDBusArgument list = property(QStringLiteral("Engines"));
        if (list.currentType() != QDBusArgument::ArrayType) return QString();
        IBusEngine best;
        list.beginArray();
        while (!list.atEnd()) {
            QDBusVariant item;
            list >> item;
            const IBusEngine e = engineOf(unwrapped(item.variant()));
            if (e.language == QLatin1String("ja") && isLayoutEngine(e.name) == layout &&
                (best.name.isEmpty() || e.rank > best.rank))
                best = e;
        }
        list.endArray();
        return best.name;
    }

    QString address_;
    QDBusConnection bus_{QString()};
    // The engines to switch between, once known; empty where the machine has none.
    std::optional<QString> layoutEngine_;
    std::optional<QString> conversionEngine_;
    QString requested_;
    int switching_ = 0;
};

// --- fcitx5 -------------------------------------------------------------------

bool sessionBusExpected() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

void followFcitx5(bool on) {
    if (!sessionBusExpected()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.fcitx.Fcitx5");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service)) return;
    const QString method = on ? QStringLiteral("Activate") : QStringLiteral("Deactivate");
    const QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/controller"),
                                                             QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
    watchCall(bus.asyncCall(call, replyWaitMs), QStringLiteral("fcitx5 ") + method);
}

}  // namespace

void switchInputMethod(bool on) {
    static IBus ibus;
    ibus.follow(on);
    followFcitx5(on);
}

}  // namespace platform
