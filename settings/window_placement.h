// Where the window opens: the placement kept in the settings file, fitted
// to the screens there are now.
#pragma once

#include "settings_file.h"

class QWidget;

namespace nerovan {

// Gives the window the stored placement. A placement on a screen that is no
// longer there keeps its size but lets the window system choose the
// position; the size never exceeds the available area of the screen it is
// on (or of the primary screen). False, and nothing done, when the file
// held no placement.
bool RestoreWindowPlacement(QWidget& window, const PlacementState& p);

}  // namespace nerovan
