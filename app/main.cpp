// The window program: the application titled "Nerovan" with its main window,
// which reads and writes the settings file "Nerovan.Ini".
#include <QApplication>

#include "main_window.h"
#include "settings_file.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Nerovan");
    nerovan::TNerovan1 window(
        nerovan::SettingsFile::DefaultPath(QCoreApplication::applicationDirPath()));
    window.show();
    return app.exec();
}
