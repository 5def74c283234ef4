#include "program_version.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstring>

#ifndef NEROVAN_VERSION
#error "the build defines NEROVAN_VERSION"
#endif

namespace nerovan {

const char* const kDesktopAppId = "io.nerovan.Nerovan";

namespace {

const char* const kUsage =
    "Usage: nerovan [--show | --paste] [QT-OPTIONS]\n"
    "Opens the Nerovan window: type a formula and take its picture away.\n"
    "One window runs per user: a later start brings it forward.\n"
    "\n"
    "  --show      bring the running window forward (start it when none runs)\n"
    "  --paste     make the running window paste, paint and restore, as the\n"
    "              hot key does (start it first when none runs)\n"
    "  --version   print the program's name and version\n"
    "  --help      show this help\n"
    "\n"
    "The Qt options (-platform, -display, -style ...) are passed on to Qt.\n"
    "The manual page nerovan(1) describes the window, its keys and its files.\n";

}  // namespace

QString ProgramVersion() { return QStringLiteral(NEROVAN_VERSION); }

void SetProgramIdentity() {
    QCoreApplication::setApplicationVersion(ProgramVersion());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));
}

bool AnswerWithoutWindow(int argc, const char* const* argv, int& status) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("nerovan %s\n", NEROVAN_VERSION);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
        } else {
            continue;
        }
        status = std::fflush(stdout) == 0 ? 0 : 1;
        return true;
    }
    return false;
}

}  // namespace nerovan
