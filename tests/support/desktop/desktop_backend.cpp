#include "desktop_backend.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>

namespace nerovan {

const char* const kBackendService = "org.freedesktop.impl.portal.desktop.nerovantest";

// The desktop's side of a session: the portal closes it when the program
// does (or leaves the bus).
class BackendSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Session")

public:
    BackendSession(DesktopBackend* backend, const QString& path)
        : QObject(backend), backend_(backend), path_(path) {}

public slots:
    void Close() {
        emit Closed();
        backend_->SessionClosed(path_);
        deleteLater();
    }

signals:
    void Closed();

private:
    DesktopBackend* backend_;
    QString path_;
};

// The keyboard the tests press.
class BackendKeyboard : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.nerovan.test.Keyboard")

public:
    explicit BackendKeyboard(DesktopBackend* backend) : QObject(backend), backend_(backend) {}

public slots:
    int Press(const QString& id) { return backend_->PressShortcut(id); }
    int ClickTray() { return backend_->ClickTray(); }

private:
    DesktopBackend* backend_;
};

// The panel's side of the tray: programs register their icons here.
class BackendWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    explicit BackendWatcher(DesktopBackend* backend) : QObject(backend), backend_(backend) {}
    QStringList Items() const { return backend_->tray_items_; }
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& item, const QDBusMessage& message) {
        // An object path alone names an item of the caller.
        const QString named = item.startsWith(QLatin1Char('/')) ? message.service() + item : item;
        backend_->tray_items_ << named;
        backend_->Note(QStringLiteral("tray %1").arg(named));
        emit StatusNotifierItemRegistered(named);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    DesktopBackend* backend_;
};

namespace {

// "CTRL+SHIFT+f" as a desktop would show it: "Ctrl+Shift+F".
QString Described(const QString& trigger) {
    QStringList parts = trigger.split(QLatin1Char('+'));
    for (QString& p : parts) p = p.left(1).toUpper() + p.mid(1).toLower();
    return parts.join(QLatin1Char('+'));
}

}  // namespace

DesktopBackend::DesktopBackend(const QDBusConnection& bus, bool refuse, QObject* parent)
    : QObject(parent), bus_(bus), refuse_(refuse) {
    RegisterDesktopShortcutTypes();
}

bool DesktopBackend::Serve(bool panel) {
    constexpr auto kExport = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                             QDBusConnection::ExportAllProperties;
    panel_ = panel;
    if (panel && !(bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"),
                                       new BackendWatcher(this), kExport) &&
                   bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))))
        return false;
    return bus_.registerObject(kPortalPath, this, kExport) &&
           bus_.registerObject(QStringLiteral("/io/nerovan/test/keyboard"),
                               new BackendKeyboard(this), kExport) &&
           bus_.registerService(kBackendService);
}

int DesktopBackend::ClickTray() {
    int clicked = 0;
    for (const QString& item : tray_items_) {
        const int slash = item.indexOf(QLatin1Char('/'));
        const QString service = slash < 0 ? item : item.left(slash);
        if (!bus_.interface()->isServiceRegistered(service)) continue;  // the icon has gone
        QDBusMessage click = QDBusMessage::createMethodCall(
            service, slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash),
            QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        click << 0 << 0;
        bus_.send(click);
        ++clicked;
    }
    Note(QStringLiteral("click tray %1").arg(clicked));
    return clicked;
}

DesktopBackend::~DesktopBackend() {
    bus_.unregisterService(kBackendService);
    if (panel_) {
        bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }
    bus_.unregisterObject(QStringLiteral("/io/nerovan/test/keyboard"));
    bus_.unregisterObject(kPortalPath);
    for (const QString& path : sessions_.keys()) bus_.unregisterObject(path);
}

void DesktopBackend::Note(const QString& line) {
    log_ << line;
    emit Logged(line);
}

void DesktopBackend::SessionClosed(const QString& path) {
    sessions_.remove(path);
    Note(QStringLiteral("close %1").arg(path));
}

uint DesktopBackend::CreateSession(const QDBusObjectPath&, const QDBusObjectPath& session,
                                   const QString& appId, const QVariantMap&, QVariantMap& results) {
    sessions_.insert(session.path(), {});
    // The shortcuts the session has to begin with (none): the portal passes
    // them on with the session's handle.
    results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(DesktopShortcutList()));
    bus_.registerObject(session.path(), new BackendSession(this, session.path()),
                        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    Note(QStringLiteral("session %1 %2").arg(session.path(), appId.isEmpty() ? "-" : appId));
    return 0;
}

uint DesktopBackend::BindShortcuts(const QDBusObjectPath&, const QDBusObjectPath& session,
                                   const DesktopShortcutList& shortcuts, const QString&,
                                   const QVariantMap&, QVariantMap& results) {
    DesktopShortcutList bound;
    for (const DesktopShortcut& s : shortcuts) {
        const QString trigger = s.Properties.value(QStringLiteral("preferred_trigger")).toString();
        Note(QStringLiteral("bind %1 %2 description=%3 preferred_trigger=%4")
                 .arg(session.path(), s.Id,
                      s.Properties.value(QStringLiteral("description")).toString(), trigger));
        QVariantMap properties;
        properties.insert(QStringLiteral("description"),
                          s.Properties.value(QStringLiteral("description")));
        properties.insert(QStringLiteral("trigger_description"), Described(trigger));
        bound << DesktopShortcut{s.Id, properties};
    }
    if (refuse_ || !sessions_.contains(session.path())) return 1;
    sessions_[session.path()] = bound;
    results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(bound));
    return 0;
}

uint DesktopBackend::ListShortcuts(const QDBusObjectPath&, const QDBusObjectPath& session,
                                   QVariantMap& results) {
    results.insert(QStringLiteral("shortcuts"),
                   QVariant::fromValue(sessions_.value(session.path())));
    return 0;
}

int DesktopBackend::PressShortcut(const QString& id) {
    int pressed = 0;
    const qulonglong now = QDateTime::currentMSecsSinceEpoch();
    for (auto it = sessions_.cbegin(); it != sessions_.cend(); ++it) {
        for (const DesktopShortcut& s : it.value()) {
            if (s.Id != id) continue;
            emit Activated(QDBusObjectPath(it.key()), id, now, {});
            emit Deactivated(QDBusObjectPath(it.key()), id, now + 1, {});
            ++pressed;
        }
    }
    Note(QStringLiteral("press %1 %2").arg(id).arg(pressed));
    return pressed;
}

}  // namespace nerovan

#include "desktop_backend.moc"
