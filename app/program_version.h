// The window program's identity, and its answers that need no window: "--version" prints
// "nerovan 1.2" and "--help" the usage, each on standard output with exit
// status 0, before any connection to a display is made.
#pragma once

#include <QString>

namespace nerovan {

// The program's version, from the build ("1.2").
QString ProgramVersion();

// The name of the program's desktop entry: Wayland's app id, the entry a
// desktop matches the window to, and the program's name to the portal.
extern const char* const kDesktopAppId;  // "io.nerovan.Nerovan"

// The application's version and its desktop entry's name. Called once the
// application exists.
void SetProgramIdentity();

// Looks for --version or --help among the arguments (up to a "--"). Returns
// true when one was answered; status is then the exit status.
bool AnswerWithoutWindow(int argc, const char* const* argv, int& status);

}  // namespace nerovan
