// Reads any bytes as the settings file and opens a window where it says, on
// the offscreen platform: every value the file holds must give a window the
// screen can show, at once, and reading must never fail.
#include <unistd.h>

#include <QApplication>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "atomic_file.h"
#include "settings_file.h"
#include "window_placement.h"

namespace {

QWidget& Window() {
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static QWidget* window = new QWidget;
    (void)app;
    return *window;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/tmp/nerovan-fuzz-settings-" + std::to_string(getpid()) + ".ini";
    QWidget& window = Window();
    nerovan::WriteFileAtomic(path, data, size);
    nerovan::SettingsFile settings(QString::fromStdString(path));
    settings.ReadProgramSettings();
    const nerovan::PlacementState p = settings.ReadPlacement();
    window.setWindowState(Qt::WindowNoState);
    window.resize(200, 100);
    if (nerovan::RestoreWindowPlacement(window, p)) {
        window.show();
        QCoreApplication::processEvents();
        window.hide();
    }
    std::remove(path.c_str());
    return 0;
}
