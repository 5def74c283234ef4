// A desktop's global shortcuts, as a portal backend serves them
// (org.freedesktop.impl.portal.GlobalShortcuts), for the tests of the hot
// key on Wayland: the real xdg-desktop-portal passes the program's calls to
// it. It binds what it is asked to bind, the preferred trigger as given, and
// presses a bound shortcut when Press is called on its keyboard object
// (io.nerovan.test.Keyboard at /io/nerovan/test/keyboard). Served with a
// panel, it is also the desktop's status notifier host: the tray icons of
// programs register with it (org.kde.StatusNotifierWatcher), and the
// keyboard object's ClickTray clicks them.
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "desktop_hot_key.h"

namespace nerovan {

extern const char* const kBackendService;  // "org.freedesktop.impl.portal.desktop.nerovantest"

class DesktopBackend : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ Version)

public:
    // REFUSE: every binding is declined, as a user who says no.
    DesktopBackend(const QDBusConnection& bus, bool refuse, QObject* parent = nullptr);
    // Takes the service name and exports its objects, with PANEL the status
    // notifier watcher too; false when a name is taken.
    bool Serve(bool panel = false);
    // Gives the service name and the objects up again.
    ~DesktopBackend() override;
    uint Version() const { return 1; }

    // What the program asked for, a line each: "session PATH APP_ID",
    // "bind PATH ID description=... preferred_trigger=...", "close PATH".
    const QStringList& Log() const { return log_; }
    // Presses shortcut ID in every session that bound it; how many.
    int PressShortcut(const QString& id);
    // Clicks every tray icon registered with the panel; how many.
    int ClickTray();

public slots:
    uint CreateSession(const QDBusObjectPath& handle, const QDBusObjectPath& session,
                       const QString& appId, const QVariantMap& options, QVariantMap& results);
    uint BindShortcuts(const QDBusObjectPath& handle, const QDBusObjectPath& session,
                       const nerovan::DesktopShortcutList& shortcuts, const QString& parentWindow,
                       const QVariantMap& options, QVariantMap& results);
    uint ListShortcuts(const QDBusObjectPath& handle, const QDBusObjectPath& session,
                       QVariantMap& results);

signals:
    void Activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                   const QVariantMap& options);
    void Deactivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    // A line was added to Log().
    void Logged(const QString& line);

private:
    friend class BackendSession;
    friend class BackendWatcher;
    void Note(const QString& line);
    void SessionClosed(const QString& path);

    QDBusConnection bus_;
    bool refuse_;
    QMap<QString, DesktopShortcutList> sessions_;  // by session path
    QStringList log_;
    QStringList tray_items_;  // "SERVICE" or "SERVICE/PATH", as registered
    bool panel_ = false;
};

}  // namespace nerovan
