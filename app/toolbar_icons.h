// The images of the big tool bar buttons (32 x 32) and of the program,
// drawn with QPainter at every device pixel ratio the screens use. Each tool
// image has a normal form (soft colours) and a hot form (full colours) that a
// flat tool button shows while the mouse is over it.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace nerovan {

enum class ToolImage { Save, Colors, Font, Parameters, Clipboard, Help };

constexpr int kToolImageSize = 32;

// The icon with the normal image in QIcon::Normal and the hot image in
// QIcon::Active mode.
QIcon ToolBarIcon(ToolImage image);
// One image at a device pixel ratio; hot selects the hot form.
QPixmap ToolBarPixmap(ToolImage image, bool hot, qreal devicePixelRatio);
// The program's icon (window, tray, about box).
QIcon ProgramIcon();

}  // namespace nerovan
