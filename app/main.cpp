// The window program: the application titled "Nerovan" with its main window,
// which reads and writes the settings file "Nerovan.Ini". One program runs
// per user: a later start hands its request ("--show", "--paste") to it and
// ends.
#include <QApplication>

#include "main_window.h"
#include "program_version.h"
#include "settings_file.h"
#include "single_instance.h"
#include "window_system.h"

int main(int argc, char* argv[]) {
    if (int status = 0; nerovan::AnswerWithoutWindow(argc, argv, status)) return status;
    // Native on Wayland where the desktop is a Wayland one, X11 elsewhere.
    nerovan::PreferWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Nerovan");
    nerovan::SetProgramIdentity();
    nerovan::SingleInstance instance(nerovan::SingleInstance::DefaultFolder());
    const auto request = nerovan::SingleInstance::RequestFromArguments(app.arguments());
    if (const int code = nerovan::HandOver(instance, request); code >= 0) return code;
    nerovan::TNerovan1 window(
        nerovan::SettingsFile::DefaultPath(QCoreApplication::applicationDirPath()));
    window.show();
    nerovan::ServeWindow(instance, window, request);
    return app.exec();
}
