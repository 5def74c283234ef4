// The sample pictures of the formula carrier tests.
#include "carrier_sample.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include "picture_files.h"
#include "picture_sample.h"

namespace nerovan {

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<uint8_t> CairoPicture(CarrierFormat format) {
    std::vector<uint8_t> out;
    cairo_surface_t* surface = format == CarrierFormat::Svg
                                   ? cairo_svg_surface_create_for_stream(Append, &out, 40, 20)
                                   : cairo_pdf_surface_create_for_stream(Append, &out, 40, 20);
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, 2, 2, 10, 10);
    cairo_fill(cr);
    cairo_move_to(cr, 14, 14);
    cairo_show_text(cr, "x+y");
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return out;
}

}  // namespace

std::vector<uint8_t> SampleCarrierPicture(CarrierFormat format) {
    if (format == CarrierFormat::Svg || format == CarrierFormat::Pdf) return CairoPicture(format);
    Bitmap bmp;
    PaintSample(bmp, TPixelFormat::pf32bit);
    return EncodePicture(bmp, format == CarrierFormat::Png    ? PictureFormat::Png
                              : format == CarrierFormat::Jpeg ? PictureFormat::Jpeg
                                                              : PictureFormat::Gif);
}

bool CarrierFormatFromName(const std::string& name, CarrierFormat& format) {
    static const std::pair<const char*, CarrierFormat> kinds[] = {{".png", CarrierFormat::Png},
                                                                  {".jpg", CarrierFormat::Jpeg},
                                                                  {".gif", CarrierFormat::Gif},
                                                                  {".svg", CarrierFormat::Svg},
                                                                  {".pdf", CarrierFormat::Pdf}};
    for (const auto& [ext, kind] : kinds)
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ext) == 0) {
            format = kind;
            return true;
        }
    return false;
}

}  // namespace nerovan
