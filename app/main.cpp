// The window program: the application titled "Nerovan" with its main window,
// which reads and writes the settings file "Nerovan.Ini".
#include <QApplication>

#include "main_window.h"
#include "program_version.h"
#include "settings_file.h"

int main(int argc, char* argv[]) {
    if (int status = 0; nerovan::AnswerWithoutWindow(argc, argv, status)) return status;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Nerovan");
    nerovan::SetProgramIdentity();
    nerovan::TNerovan1 window(
        nerovan::SettingsFile::DefaultPath(QCoreApplication::applicationDirPath()));
    window.show();
    return app.exec();
}
