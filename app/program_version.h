// The window program's identity, and its answers that need no window: "--version" prints
// "nerovan 1.2" and "--help" the usage, each on standard output with exit
// status 0, before any connection to a display is made.
#pragma once

#include <QString>

namespace nerovan {

// The program's version, from the build ("1.2").
QString ProgramVersion();

// The application's version and its desktop entry's name
// ("io.nerovan.Nerovan"), which is Wayland's app id and the entry a desktop
// matches the window to. Called once the application exists.
void SetProgramIdentity();

// Looks for --version or --help among the arguments (up to a "--"). Returns
// true when one was answered; status is then the exit status.
bool AnswerWithoutWindow(int argc, const char* const* argv, int& status);

}  // namespace nerovan
