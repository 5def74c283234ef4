// Saving the picture: the save-picture dialog's constants and the writing of
// the file for the dialog's filter index. The format follows the filter
// alone; the file name is used unchanged, whatever its extension.
//
// What the window does around it (SavePictureToFile), on the window thread:
//
//   bool repaint = false;
//   {
//       lock the component mutex;           // from the switch to the switch back
//       ScopedPictureMode mode(component, filterIndex, options);  // step 1
//       if (mode.Switched()) component.Paint();            // step 2
//       WritePictureForFilter(filterIndex, path, component, displayed, options);  // step 3
//       repaint = mode.Switched();
//   }                                       // step 4: EMFPaint back as it was
//   if (repaint) {
//       if (the bitmap was painted || command is Save Picture)
//           empty LastPaintedText;
//       RequestPaint();                     // Save Picture As, filter 2: finds
//   }                                       // the text unchanged, paints nothing
//
// The mutex keeps the background paint from running during the synchronous
// Paint and from changing the targets while they are written; the worker must
// not wait on the window thread while it holds the mutex. `displayed` is the
// picture shown by Image1 (the copy taken after the last successful paint),
// or null while it shows a metafile. An exception from Paint (a notation
// error) or from the write (EFileError, EConvertError, EPictureError) goes to
// the standard error box, not the status line; the display repaint is then
// skipped.
//
// EMFPaint goes back to its value also when Paint or the write throws. Leaving
// it flipped after a failed save would silently change the user's clipboard
// mode (stored in the settings at closing) and leave the display showing one
// kind of picture while the component paints the other, so that the next copy
// or JPEG/GIF save would take the wrong kind.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "component.h"
#include "formula_picture.h"

namespace nerovan {

// The save-picture dialog: title, filter (entries numbered 1 to 7 in this
// order: the four kinds the dialog always had keep their numbers, which the
// settings store), default extension.
extern const char* const kSavePictureTitle;  // "Save picture as ..."
QStringList SavePictureFilters();
extern const char* const kSavePictureDefaultSuffix;  // "bmp"

constexpr int kFilterBitmap = 1;
constexpr int kFilterMetafile = 2;
constexpr int kFilterJpeg = 3;
constexpr int kFilterGif = 4;
constexpr int kFilterPng = 5;
constexpr int kFilterSvg = 6;
constexpr int kFilterPdf = 7;

// A picture of one kind given to an image of another: the message is
// "Cannot assign a <source kind> to a <target kind>".
class EConvertError : public EPictureError {
public:
    using EPictureError::EPictureError;
};

// "Cannot assign a %s to a %s" filled with the two kinds.
std::string AssignErrorText(const std::string& sourceKind, const std::string& targetKind);

// Writes the file for the filter index:
//   1: component.Bitmap() as a Windows bitmap file (8 bits with palette, or
//      32 bits, following the bitmap's pixel format);
//   2: component.Metafile() as an enhanced-metafile file;
//   3: the displayed picture as JPEG (quality 90, baseline);
//   4: the displayed picture as a single-image GIF;
//   5: component.Bitmap() as PNG, or with options.Transparent the metafile
//      painted on nothing as a PNG with alpha;
//   6, 7: component.Metafile() as SVG or PDF (without the background
//      rectangle with options.Transparent);
//   anything else: nothing is written.
// Every picture but the BMP carries the component's expression.
// displayedBitmap is the picture shown by Image1, or null when the display
// shows a metafile; then 3 and 4 throw EConvertError "Cannot assign a
// TMetafile to a TJPEGImage" (or "... to a TGIFImage") and write nothing.
// An empty picture throws EPictureError; a file that cannot be written
// throws EFileError naming it. A failed write leaves an existing file as it was.
void WritePictureForFilter(int filterIndex, const std::string& path, TNerovan& component,
                           const Bitmap* displayedBitmap, const PictureOptions& options = {});

// Steps 1 and 4 of the cases drawn from the component's targets: switches
// the component's EMFPaint to the kind the filter needs (bitmap for 1 and 5,
// metafile for 2, 6 and 7, and for 5 with a transparent background) and switches it back when it
// goes out of scope, also when a Paint or the write throws. JPEG and GIF switch nothing. Create it
// with the component mutex held.
class ScopedPictureMode {
public:
    ScopedPictureMode(TNerovan& component, int filterIndex, const PictureOptions& options = {});
    ~ScopedPictureMode();
    ScopedPictureMode(const ScopedPictureMode&) = delete;
    ScopedPictureMode& operator=(const ScopedPictureMode&) = delete;

    // Whether EMFPaint was changed: the target must then be painted now
    // (step 2), and once the switch is undone, the display repainted (step 4).
    bool Switched() const { return switched_; }

private:
    TNerovan& component_;
    bool saved_;
    bool switched_;
};

}  // namespace nerovan
