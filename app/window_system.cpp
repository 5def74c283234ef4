// The choice of the Qt platform plugin and the test for Wayland.
#include "window_system.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QString>

namespace nerovan {

QByteArray PreferredPlatforms(const QByteArray& qpa, const QByteArray& waylandDisplay,
                              const QByteArray& sessionType) {
    if (!qpa.trimmed().isEmpty()) return QByteArray();
    // An X11 session keeps X11, also with a Wayland display named in it.
    if (sessionType == "x11") return QByteArray();
    if (waylandDisplay.isEmpty() && sessionType != "wayland") return QByteArray();
    // X11 follows for a desktop without the Wayland plugin, or whose Wayland
    // display cannot be reached while an X server (Xwayland) can.
    return QByteArrayLiteral("wayland;xcb");
}

void PreferWayland() {
    const QByteArray platforms = PreferredPlatforms(
        qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"));
    if (!platforms.isEmpty()) qputenv("QT_QPA_PLATFORM", platforms);
}

bool OnWayland() {
    // "wayland", or "wayland-egl" and the like for the plugin's variants.
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool TrayOfStatusNotifierHost() {
    if (OnWayland()) return true;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

}  // namespace nerovan
