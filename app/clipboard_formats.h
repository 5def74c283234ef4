// What the program puts on the clipboard and what it takes from it. The
// picture goes out as an enhanced metafile (metafile mode) or as an image
// (bitmap mode); coming back, a text is the formula itself and a metafile that
// this program painted carries its expression in the header.
#pragma once

#include <QByteArray>
#include <QString>

#include "emf.h"

class QImage;
class QMimeData;

namespace nerovan {

class Bitmap;
class Metafile;

// The clipboard targets of an enhanced metafile, as office programs and
// vector editors on X11 offer and read them.
extern const char* const
    kEmfMimeOffice;                 // application/x-openoffice-emf;windows_formatname="Image EMF"
extern const char* const kEmfMime;  // image/x-emf

// The metafile as EMF bytes under the two EMF targets and nothing else: an
// office program pastes a PNG or a text in preference to an EMF, so offering
// either would lose the vector picture. Throws EPictureError when the
// metafile cannot be serialised. The caller owns the result (QClipboard::
// setMimeData takes it).
QMimeData* MetafileMimeData(const Metafile& metafile);

// The bitmap as an image under exactly two targets: "image/png" (an 8-bit
// picture stays a palette PNG, 96 DPI in pHYs) and "image/bmp" (the Windows
// bitmap file, 8 bits with the palette or 32 bits); other Qt programs read
// the PNG with QClipboard::image(), and so does this one, which is handed the
// same pixels at 96 DPI without their being offered as a further target.
// The PNG carries the expression (Windows-1251) the picture shows, when
// there is one. With the picture's drawing given, the PNG (and the image
// handed out in this program) is that drawing painted on nothing, with
// alpha; the BMP, which has none, stays the bitmap. Throws EPictureError for
// an empty picture.
QMimeData* BitmapMimeData(const Bitmap& bitmap, const std::string& expression = std::string(),
                          const Metafile* transparentDrawing = nullptr);

// The bitmap's pixels as a QImage at 96 DPI: indexed with the halftone palette
// for an 8-bit picture, RGB32 otherwise.
QImage BitmapToImage(const Bitmap& bitmap);

// What the clipboard offers for "Paste, paint and restore".
struct ClipboardFormula {
    bool HasText = false;  // plain text offered (possibly empty)
    QString Text;
    bool HasMetafile = false;  // an EMF target with a readable header
    QByteArray Emf;            // its bytes (empty unless HasMetafile)
    EmfHeaderInfo Header;      // creator and description (UTF-8), size
    // A PNG or SVG image that carries the formula it was painted from.
    bool HasPictureFormula = false;
    QString PictureFormula;

    QString Creator() const { return QString::fromStdString(Header.Creator); }
    // The description: for a metafile of this program, the expression it
    // was painted from.
    QString Description() const { return QString::fromStdString(Header.Description); }
};

// Reads the text first, then either EMF target, then a PNG or SVG image
// for the formula it carries. The EMF and the image may come from any
// program: an EMF whose header cannot be read, or an image without a
// formula (or not an image at all), is ignored as if absent.
ClipboardFormula ReadClipboardFormula(const QMimeData* data);

// Whether a metafile's creator text names this program: it begins with
// "Nerovan" and is longer than that word ("Nerovan by Tarquel").
bool IsOwnCreator(const QString& creator);

}  // namespace nerovan
