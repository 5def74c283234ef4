// The desktop's global shortcuts on a test's session bus, for the real
// xdg-desktop-portal to pass the program's calls to; what it is asked is
// printed, a line each.
//   desktop_backend [--refuse] [--panel]
// --panel: the desktop has a panel with a tray (a status notifier host).
#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>

#include "desktop_backend.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    nerovan::DesktopBackend backend(QDBusConnection::sessionBus(),
                                    app.arguments().contains(QStringLiteral("--refuse")));
    QObject::connect(&backend, &nerovan::DesktopBackend::Logged, [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    if (!backend.Serve(app.arguments().contains(QStringLiteral("--panel")))) {
        std::fprintf(stderr, "desktop_backend: cannot serve on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
