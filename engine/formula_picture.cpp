// Making the picture file of a painted formula: the bitmap target's pixels
// as they are at scale 1, otherwise the metafile replayed onto a larger or
// transparent bitmap or onto cairo's vector surfaces.
#include "formula_picture.h"

#include <cctype>

#include "cairo_canvas.h"
#include "code_pages.h"
#include "emf.h"
#include "font_engine.h"
#include "formula_carrier.h"
#include "picture_files.h"
#include "vector_files.h"

namespace nerovan {

namespace {

struct KindName {
    const char* Name;
    PictureKind Kind;
};

constexpr KindName kKindNames[] = {
    {"png", PictureKind::Png},   {"svg", PictureKind::Svg}, {"pdf", PictureKind::Pdf},
    {"emf", PictureKind::Emf},   {"bmp", PictureKind::Bmp}, {"jpg", PictureKind::Jpeg},
    {"jpeg", PictureKind::Jpeg}, {"gif", PictureKind::Gif},
};

bool IsRaster(PictureKind kind) {
    return kind == PictureKind::Png || kind == PictureKind::Bmp || kind == PictureKind::Jpeg ||
           kind == PictureKind::Gif;
}

PictureFormat RasterFormat(PictureKind kind) {
    switch (kind) {
        case PictureKind::Bmp: return PictureFormat::Bmp;
        case PictureKind::Jpeg: return PictureFormat::Jpeg;
        case PictureKind::Gif: return PictureFormat::Gif;
        default: return PictureFormat::Png;
    }
}

const char* KindTitle(PictureKind kind) {
    switch (kind) {
        case PictureKind::Bmp: return "BMP";
        case PictureKind::Jpeg: return "JPEG";
        case PictureKind::Gif: return "GIF";
        case PictureKind::Emf: return "EMF";
        case PictureKind::Svg: return "SVG";
        case PictureKind::Pdf: return "PDF";
        case PictureKind::Png: break;
    }
    return "PNG";
}

}  // namespace

bool PictureKindFromName(const std::string& name, PictureKind& kind) {
    for (const KindName& k : kKindNames)
        if (name == k.Name) {
            kind = k.Kind;
            return true;
        }
    return false;
}

bool PictureKindFromExtension(const std::string& path, PictureKind& kind) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return PictureKindFromName(ext, kind);
}

std::string PictureRefusal(PictureKind kind, const PictureOptions& options) {
    if (options.Transparent && kind != PictureKind::Png && kind != PictureKind::Svg &&
        kind != PictureKind::Pdf)
        return std::string(kind == PictureKind::Emf ? "an " : "a ") + KindTitle(kind) +
               " picture has no transparent background: use PNG, SVG or PDF";
    return {};
}

bool PaintsFromMetafile(PictureKind kind, const PictureOptions& options) {
    // At scale 1 an opaque bitmap is the bitmap target's own pixels.
    return !IsRaster(kind) || options.Scale != 1 || options.Transparent;
}

int PictureBaseline(const TNerovan& component) {
    // The alignment line runs through the middle of a text cell of the
    // font; the cell's top lies half a cell above it, its baseline the
    // font's ascent below that top.
    const FontHandle h = FontEngine::Instance().Resolve(component.Font);
    return component.PaintOrigin.Y + component.Metrics.Ascent - h.CellHeight() / 2 + h.Ascent;
}

long long PictureWidth(TNerovan& component, const PictureOptions& options) {
    const int w = component.EMFPaint ? component.Metafile().Width : component.Bitmap().Width();
    return ScaledSide(w, options.Scale);
}

long long PictureHeight(TNerovan& component, const PictureOptions& options) {
    const int h = component.EMFPaint ? component.Metafile().Height : component.Bitmap().Height();
    return ScaledSide(h, options.Scale);
}

namespace {

// The picture as drawn, without its expression.
std::vector<uint8_t> EncodePlainPicture(TNerovan& component, PictureKind kind,
                                        const PictureOptions& options) {
    const Metafile& mf = component.Metafile();
    switch (kind) {
        case PictureKind::Emf: return SerializeEmf(mf);
        case PictureKind::Svg:
        case PictureKind::Pdf: {
            VectorPictureOptions vector;
            vector.Background = !options.Transparent;
            vector.Baseline = PictureBaseline(component);
            return kind == PictureKind::Svg ? EncodeSvg(mf, vector) : EncodePdf(mf, vector);
        }
        default: break;
    }
    if (!PaintsFromMetafile(kind, options))
        return EncodePicture(component.Bitmap(), RasterFormat(kind));
    // The layout's picture painted larger, or on nothing: a bitmap of its
    // own, finished as the bitmap target finishes its pixels. Leaving the
    // background fill out is all a transparent picture needs: nothing of
    // the layout paints in the pass's EraseColor (an accent's letter is
    // clipped, not painted over in the background colour), so no opaque
    // background colour reaches the picture.
    CheckPictureSize(PictureWidth(component, options), PictureHeight(component, options),
                     component.MaxPicturePixels);
    Bitmap bitmap;
    PaintScaledPicture(mf, options.Scale, options.Transparent, bitmap);
    RasterFileOptions file;
    file.Dpi = 96 * options.Scale;
    file.Alpha = options.Transparent;
    if (component.BlurBitmap)
        SmoothBitmap(bitmap);
    else if (!options.Transparent) {
        bitmap.SetPixelFormat(TPixelFormat::pf8bit);
        bitmap.MapToPalette();
    }
    return EncodePicture(bitmap, RasterFormat(kind), file);
}

}  // namespace

std::vector<uint8_t> AddExpression(std::vector<uint8_t> picture, PictureKind kind,
                                   const std::string& expression) {
    CarrierFormat carrier;
    switch (kind) {
        case PictureKind::Png: carrier = CarrierFormat::Png; break;
        case PictureKind::Jpeg: carrier = CarrierFormat::Jpeg; break;
        case PictureKind::Gif: carrier = CarrierFormat::Gif; break;
        case PictureKind::Svg: carrier = CarrierFormat::Svg; break;
        case PictureKind::Pdf: carrier = CarrierFormat::Pdf; break;
        default: return picture;  // the EMF's header holds it already; a BMP has no place
    }
    const std::string formula = Cp1251ToUtf8(expression);
    // XML cannot hold most control characters, so an SVG or PDF of a
    // formula that has one goes without it rather than not at all.
    if (carrier == CarrierFormat::Svg || carrier == CarrierFormat::Pdf) {
        for (const char c : formula)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                return picture;
    }
    return EmbedFormula(picture, carrier, formula);
}

std::vector<uint8_t> EncodeFormulaPicture(TNerovan& component, PictureKind kind,
                                          const PictureOptions& options) {
    return AddExpression(EncodePlainPicture(component, kind, options), kind, component.Expression);
}

}  // namespace nerovan
