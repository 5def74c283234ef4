#include "window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace nerovan {

bool RestoreWindowPlacement(QWidget& window, const PlacementState& p) {
    if (!p.HasGeometry || p.Width <= 0 || p.Height <= 0) return false;
    QRect stored(p.Left, p.Top, p.Width, p.Height);
    // A stored size beyond the screen would cost memory and time for
    // nothing, at every start.
    const QScreen* on = nullptr;
    for (const QScreen* screen : QGuiApplication::screens())
        if (!on && screen->availableGeometry().intersects(stored)) on = screen;
    const QScreen* sizing = on ? on : QGuiApplication::primaryScreen();
    if (sizing) stored.setSize(stored.size().boundedTo(sizing->availableGeometry().size()));
    if (on)
        window.setGeometry(stored);
    else
        window.resize(stored.size());
    if (p.Maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

}  // namespace nerovan
