// Writing the picture file for the save-picture dialog's filter: bitmap,
// metafile, PNG, SVG and PDF from the component's own targets, JPEG and GIF
// from the picture the window shows, which must then be a bitmap.
#include "picture_export.h"

#include <vector>

#include "atomic_file.h"
#include "emf.h"
#include "formula_picture.h"
#include "picture_files.h"

namespace nerovan {

const char* const kSavePictureTitle = "Save picture as ...";
const char* const kSavePictureDefaultSuffix = "bmp";

QStringList SavePictureFilters() {
    return {QStringLiteral("Bitmaps (*.bmp)"),
            QStringLiteral("Enhanced Metafiles (*.emf)"),
            QStringLiteral("JPEG Image File (*.jpg)"),
            QStringLiteral("CompuServe GIF Image (*.gif)"),
            QStringLiteral("Portable Network Graphics (*.png)"),
            QStringLiteral("Scalable Vector Graphics (*.svg)"),
            QStringLiteral("Portable Document Format (*.pdf)")};
}

std::string AssignErrorText(const std::string& sourceKind, const std::string& targetKind) {
    return "Cannot assign a " + sourceKind + " to a " + targetKind;
}

namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

// JPEG and GIF images take a bitmap only.
void WriteFromDisplay(const Bitmap* displayed, const std::string& path, PictureKind kind,
                      const std::string& expression, const char* targetKind) {
    if (!displayed) throw EConvertError(AssignErrorText("TMetafile", targetKind));
    const PictureFormat format =
        kind == PictureKind::Jpeg ? PictureFormat::Jpeg : PictureFormat::Gif;
    WriteBytes(path, AddExpression(EncodePicture(*displayed, format), kind, expression));
}

}  // namespace

void WritePictureForFilter(int filterIndex, const std::string& path, TNerovan& component,
                           const Bitmap* displayedBitmap, const PictureOptions& options) {
    switch (filterIndex) {
        case kFilterBitmap: WritePictureFile(component.Bitmap(), path, PictureFormat::Bmp); break;
        case kFilterMetafile: WriteBytes(path, SerializeEmf(component.Metafile())); break;
        case kFilterJpeg:
            WriteFromDisplay(displayedBitmap, path, PictureKind::Jpeg, component.Expression,
                             "TJPEGImage");
            break;
        case kFilterGif:
            WriteFromDisplay(displayedBitmap, path, PictureKind::Gif, component.Expression,
                             "TGIFImage");
            break;
        case kFilterPng:
            WriteBytes(path, EncodeFormulaPicture(component, PictureKind::Png, options));
            break;
        case kFilterSvg:
            WriteBytes(path, EncodeFormulaPicture(component, PictureKind::Svg, options));
            break;
        case kFilterPdf:
            WriteBytes(path, EncodeFormulaPicture(component, PictureKind::Pdf, options));
            break;
        default: break;
    }
}

ScopedPictureMode::ScopedPictureMode(TNerovan& component, int filterIndex,
                                     const PictureOptions& options)
    : component_(component), saved_(component.EMFPaint), switched_(false) {
    if (filterIndex == kFilterBitmap)
        component_.EMFPaint = false;
    else if (filterIndex == kFilterPng)
        component_.EMFPaint = PaintsFromMetafile(PictureKind::Png, options);
    else if (filterIndex == kFilterMetafile || filterIndex == kFilterSvg ||
             filterIndex == kFilterPdf)
        component_.EMFPaint = true;
    switched_ = component_.EMFPaint != saved_;
}

ScopedPictureMode::~ScopedPictureMode() { component_.EMFPaint = saved_; }

}  // namespace nerovan
