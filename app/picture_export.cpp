// Writing the picture file for the save-picture dialog's filter: bitmap and
// metafile from the component's own targets, JPEG and GIF from the picture
// the window shows, which must then be a bitmap.
#include "picture_export.h"

#include <vector>

#include "atomic_file.h"
#include "emf.h"
#include "picture_files.h"

namespace nerovan {

const char* const kSavePictureTitle = "Save picture as ...";
const char* const kSavePictureDefaultSuffix = "bmp";

QStringList SavePictureFilters() {
    return {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("Enhanced Metafiles (*.emf)"),
            QStringLiteral("JPEG Image File (*.jpg)"),
            QStringLiteral("CompuServe GIF Image (*.gif)")};
}

std::string AssignErrorText(const std::string& sourceKind, const std::string& targetKind) {
    return "Cannot assign a " + sourceKind + " to a " + targetKind;
}

namespace {

// JPEG and GIF images take a bitmap only.
void WriteFromDisplay(const Bitmap* displayed, const std::string& path, PictureFormat format,
                      const char* targetKind) {
    if (!displayed) throw EConvertError(AssignErrorText("TMetafile", targetKind));
    WritePictureFile(*displayed, path, format);
}

}  // namespace

void WritePictureForFilter(int filterIndex, const std::string& path, TNerovan& component,
                           const Bitmap* displayedBitmap) {
    switch (filterIndex) {
        case kFilterBitmap: WritePictureFile(component.Bitmap(), path, PictureFormat::Bmp); break;
        case kFilterMetafile: {
            const std::vector<uint8_t> emf = SerializeEmf(component.Metafile());
            WriteFileAtomic(path, emf.data(), emf.size());
            break;
        }
        case kFilterJpeg:
            WriteFromDisplay(displayedBitmap, path, PictureFormat::Jpeg, "TJPEGImage");
            break;
        case kFilterGif:
            WriteFromDisplay(displayedBitmap, path, PictureFormat::Gif, "TGIFImage");
            break;
        default: break;
    }
}

ScopedPictureMode::ScopedPictureMode(TNerovan& component, int filterIndex)
    : component_(component), saved_(component.EMFPaint), switched_(false) {
    if (filterIndex == kFilterBitmap)
        component_.EMFPaint = false;
    else if (filterIndex == kFilterMetafile)
        component_.EMFPaint = true;
    switched_ = component_.EMFPaint != saved_;
}

ScopedPictureMode::~ScopedPictureMode() { component_.EMFPaint = saved_; }

}  // namespace nerovan
