// The window system the program runs on: Wayland where the session has a
// Wayland display, X11 where it has none or Wayland cannot be reached, and
// what the window does differently on Wayland.
#pragma once

#include <QByteArray>

namespace nerovan {

// The platforms Qt is to try, in order, for the environment's
// QT_QPA_PLATFORM (qpa), WAYLAND_DISPLAY and XDG_SESSION_TYPE: "wayland;xcb"
// when the user named no platform and the session is a Wayland one (a
// Wayland display is named, or the session type is "wayland", and the
// session type is not "x11"); otherwise empty, and Qt's own choice stands (the user's platform, or
// X11).
QByteArray PreferredPlatforms(const QByteArray& qpa, const QByteArray& waylandDisplay,
                              const QByteArray& sessionType);

// Sets QT_QPA_PLATFORM to PreferredPlatforms of the environment when that is
// not empty. Called before the application object is made.
void PreferWayland();

// True when the window runs on Wayland. There a program reads the clipboard
// only while one of its windows has the keyboard focus, and a minimised
// window can be brought back by the compositor alone.
bool OnWayland();

// Whether tray icons go to a desktop's status notifier host (over D-Bus)
// rather than into an X11 notification area: always on Wayland, and on X11
// where such a host is on the session bus.
bool TrayOfStatusNotifierHost();

}  // namespace nerovan
