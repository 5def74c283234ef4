// The images of the insert palette: every button shows the construct it
// inserts and every tab a sample of what it holds, both typeset by the
// program's own typesetter from the notation, so the pictures are exactly
// what the formula will show. Each image is drawn at the screen's device
// pixel ratio (glyphs hinted at their final size, not scaled bitmaps), its
// ink trimmed and centred, in the given colour on a transparent ground.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

namespace nerovan {

// Logical size of the tabs' images (a button's image fills the button: see
// TInsertPalette).
constexpr int kPaletteTabImageWidth = 40;
constexpr int kPaletteTabImageHeight = 18;

// The notation typeset as an image of size logical pixels at the device
// pixel ratio dpr, painted at the largest em whose ink fits, up to 21
// device-independent pixels (never painted larger and scaled down, which
// would blur it). The ink is centred; the ground is transparent and the ink
// has the colour color, its opacity the typesetter's antialiasing raised so
// that strokes thinner than a pixel read dark. When a letter of a slot (a
// limit, a body, a matrix entry) would be smaller than an em of 8 device
// pixels, every slot is shown as a dark placeholder square at its place and
// the construct's sign as typeset. A null image when the text is
// no valid notation or holds a character that Windows-1251 cannot hold.
QImage TypesetImage(const QString& notation, QSize size, qreal dpr, const QColor& color);

// The device pixel ratios an icon needs for the screens now attached
// (always 1 and 2, and every screen's own).
QList<qreal> PaletteDevicePixelRatios();

// An icon holding TypesetImage at every ratio of PaletteDevicePixelRatios,
// so a button shows it crisp on whichever screen it is.
QIcon TypesetIcon(const QString& notation, QSize size, const QColor& color);

// What the image of tab t (0 to 5) shows: a sample of the tab's constructs
// in the notation.
QString PaletteTabSample(int tab);

}  // namespace nerovan
