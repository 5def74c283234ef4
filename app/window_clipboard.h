// The main window's side of the clipboard: what "Copy as picture" puts there,
// the formula the hot key takes from there, and the frame that stands for a
// metafile of another program pasted from there.
#pragma once

#include <QByteArray>

#include "clipboard_formats.h"
#include "paint_cycle.h"

class QMimeData;

namespace nerovan {

// What Image1 shows for a metafile pasted from the clipboard (the EMF bytes
// kept, to be copied again): a frame of the metafile's size.
DisplayedPicture PastedMetafilePicture(const QByteArray& emf, int width, int height);

// The displayed picture as clipboard contents (bitmap mode), its PNG without
// background when transparent and the picture's drawing was kept; throws
// EPictureError when nothing is shown.
QMimeData* DisplayedPictureMimeData(const DisplayedPicture& shown, bool transparent = false);

// What "Copy as picture" puts on the clipboard: the component's metafile in
// metafile mode, else the picture Image1 shows. Throws EPictureError
// when there is nothing to copy. Takes the component's mutex.
QMimeData* PictureToCopy(TPaintCycle& cycle, const DisplayedPicture& shown,
                         bool transparent = false);

// The formula on the clipboard now: its text, or a metafile with the
// expression it was painted from.
ClipboardFormula ClipboardFormulaNow();

}  // namespace nerovan
