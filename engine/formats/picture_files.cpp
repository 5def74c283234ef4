// The picture files of the bitmap target: the Windows bitmap written here
// byte by byte, PNG through libpng, JPEG through libjpeg and GIF through
// giflib, all at 96 DPI; and saving any of them atomically.
#include "picture_files.h"

#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <gif_lib.h>

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "atomic_file.h"

namespace nerovan {

namespace {

// Dots per inch in dots per metre: 96 / 0.0254 = 3779.5 is 3780.
uint32_t PixelsPerMetre(double dpi) { return static_cast<uint32_t>(std::lround(dpi / 0.0254)); }

void CheckNotEmpty(const Bitmap& bitmap, const char* format) {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        throw EPictureError(std::string("Cannot encode an empty picture as ") + format);
}

void CheckSideLimit(const Bitmap& bitmap, const char* format, long limit) {
    if (bitmap.Width() > limit || bitmap.Height() > limit)
        throw EPictureError(std::string("The picture is too large for ") + format + " (" +
                            std::to_string(bitmap.Width()) + " x " +
                            std::to_string(bitmap.Height()) + " pixels, at most " +
                            std::to_string(limit) + " a side)");
}

inline uint32_t ColourKey(const uint8_t* bgrx) {
    return static_cast<uint32_t>(bgrx[0]) | (static_cast<uint32_t>(bgrx[1]) << 8) |
           (static_cast<uint32_t>(bgrx[2]) << 16);
}

// The halftone indices of an 8-bit picture, one byte a pixel, rows top to
// bottom. The bitmap's own indices are used when they describe its pixels;
// indices that are missing or stale (pixels painted after the mapping) are
// worked out afresh from the pixels, leaving the bitmap untouched.
std::vector<uint8_t> HalftoneIndices(const Bitmap& bitmap) {
    const std::vector<PaletteEntry>& palette = HalftonePalette();
    const int w = bitmap.Width(), h = bitmap.Height();
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    const std::vector<uint8_t>& own = bitmap.Indices();
    bool current = own.size() == count;
    for (int y = 0; current && y < h; ++y) {
        const uint8_t* p = bitmap.ScanLine(y);
        const uint8_t* idx = own.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x, p += 4) {
            const PaletteEntry& e = palette[idx[x]];
            if (p[0] != e.Blue || p[1] != e.Green || p[2] != e.Red) {
                current = false;
                break;
            }
        }
    }
    if (current) return own;

    std::vector<uint8_t> indices(count);
    uint32_t lastKey = 0xFFFFFFFFu;
    uint8_t lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = bitmap.ScanLine(y);
        uint8_t* out = indices.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x, p += 4) {
            const uint32_t key = ColourKey(p);
            if (key != lastKey) {
                lastKey = key;
                lastIndex = NearestHalftoneIndex(p[2], p[1], p[0]);
            }
            out[x] = lastIndex;
        }
    }
    return indices;
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---- PNG ----------------------------------------------------------------
// libpng reports errors by longjmp. The frame that calls setjmp holds only
// plain C data; the C++ containers belong to the caller, and the write
// callback catches its own exceptions before handing the error to libpng.

struct PngSink {
    std::vector<uint8_t>* out;
    char message[256];
};

void PngError(png_structp png, png_const_charp text) {
    PngSink* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", text ? text : "libpng error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (...) {
        stored = false;
    }
    if (!stored) png_error(png, "out of memory");
}

void PngFlush(png_structp) {}

bool PngEncodeCore(PngSink* sink, png_uint_32 width, png_uint_32 height, int colourType,
                   const png_color* palette, int paletteSize, png_bytepp rows,
                   png_uint_32 pixelsPerMetre) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, PngError, PngWarning);
    if (!png) {
        std::snprintf(sink->message, sizeof sink->message, "cannot start libpng");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(sink->message, sizeof sink->message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_write_fn(png, sink, PngWrite, PngFlush);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, palette, paletteSize);
    // Without the physical size other programs place the picture at the
    // wrong size.
    png_set_pHYs(png, info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// ---- JPEG ---------------------------------------------------------------
// libjpeg also reports errors by longjmp; the output goes to a malloc'd
// buffer owned by plain C data, so nothing with a destructor is skipped.

// Everything libjpeg touches lives in this plain struct, owned by the
// caller, so its content is well defined after a longjmp.
struct JpegState {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_destination_mgr destination;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    unsigned char* buffer;  // malloc'd output; the caller frees it
    size_t capacity;
    size_t size;
};

JpegState* StateOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegState*>(reinterpret_cast<char*>(cinfo) -
                                        offsetof(JpegState, cinfo));
}

void JpegErrorExit(j_common_ptr cinfo) {
    JpegState* state = StateOf(cinfo);
    (*cinfo->err->format_message)(cinfo, state->message);
    std::longjmp(state->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

void JpegInitDestination(j_compress_ptr cinfo) {
    JpegState* state = StateOf(reinterpret_cast<j_common_ptr>(cinfo));
    state->capacity = 65536;
    state->buffer = static_cast<unsigned char*>(std::malloc(state->capacity));
    if (!state->buffer) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    state->destination.next_output_byte = state->buffer;
    state->destination.free_in_buffer = state->capacity;
}

boolean JpegEmptyBuffer(j_compress_ptr cinfo) {
    // Called with the whole buffer full: double it.
    JpegState* state = StateOf(reinterpret_cast<j_common_ptr>(cinfo));
    const size_t grown = state->capacity * 2;
    unsigned char* bigger = static_cast<unsigned char*>(std::realloc(state->buffer, grown));
    if (!bigger) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    state->buffer = bigger;
    state->destination.next_output_byte = bigger + state->capacity;
    state->destination.free_in_buffer = grown - state->capacity;
    state->capacity = grown;
    return TRUE;
}

void JpegTermDestination(j_compress_ptr cinfo) {
    JpegState* state = StateOf(reinterpret_cast<j_common_ptr>(cinfo));
    state->size = state->capacity - state->destination.free_in_buffer;
}

// Rows are 32-bit pixels in the order blue, green, red, fourth byte.
bool JpegEncodeCore(JpegState* state, JDIMENSION width, JDIMENSION height,
                    const uint8_t* const* rows, UINT16 dotsPerInch) {
    jpeg_compress_struct* cinfo = &state->cinfo;
    cinfo->err = jpeg_std_error(&state->errors);
    state->errors.error_exit = JpegErrorExit;
    state->errors.output_message = JpegOutputMessage;
    if (setjmp(state->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    state->destination.init_destination = JpegInitDestination;
    state->destination.empty_output_buffer = JpegEmptyBuffer;
    state->destination.term_destination = JpegTermDestination;
    cinfo->dest = &state->destination;

    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);  // baseline sequential Huffman coding: SOF0
    jpeg_set_quality(cinfo, 90, TRUE);
    // Full colour resolution (4:4:4): a formula is thin coloured strokes,
    // which halved chroma would smear.
    for (int i = 0; i < cinfo->num_components; ++i) {
        cinfo->comp_info[i].h_samp_factor = 1;
        cinfo->comp_info[i].v_samp_factor = 1;
    }
    cinfo->write_JFIF_header = TRUE;
    cinfo->density_unit = 1;  // dots per inch
    cinfo->X_density = dotsPerInch;
    cinfo->Y_density = dotsPerInch;

    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg reads the rows and never writes to them.
        JSAMPROW row = const_cast<JSAMPROW>(rows[cinfo->next_scanline]);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

// ---- GIF ----------------------------------------------------------------

int GifOutput(GifFileType* gif, const GifByteType* data, int length) {
    std::vector<uint8_t>* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + length);
    } catch (...) {
        return 0;  // giflib reports a write failure
    }
    return length;
}

std::vector<GifColorType> HalftoneGifColours() {
    std::vector<GifColorType> colours;
    for (const PaletteEntry& e : HalftonePalette()) {
        GifColorType c;
        c.Red = e.Red;
        c.Green = e.Green;
        c.Blue = e.Blue;
        colours.push_back(c);
    }
    return colours;
}

struct GifPicture {
    std::vector<GifColorType> colours;  // a power of two, 2..256 entries
    std::vector<uint8_t> indices;       // one byte a pixel, rows top to bottom
};

// A 32-bit picture as a GIF colour table: its own colours when there are at
// most 256 of them (every formula in two colours, antialiased or smoothed,
// usually is), otherwise the halftone palette with the nearest entries.
GifPicture ReduceForGif(const Bitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    GifPicture picture;
    picture.indices.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    std::unordered_map<uint32_t, uint8_t> seen;
    bool exact = true;
    uint32_t lastKey = 0xFFFFFFFFu;
    uint8_t lastIndex = 0;
    for (int y = 0; exact && y < h; ++y) {
        const uint8_t* p = bitmap.ScanLine(y);
        uint8_t* out = picture.indices.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x, p += 4) {
            const uint32_t key = ColourKey(p);
            if (key != lastKey) {
                auto found = seen.find(key);
                if (found == seen.end()) {
                    if (seen.size() == 256) {
                        exact = false;
                        break;
                    }
                    found = seen.emplace(key, static_cast<uint8_t>(seen.size())).first;
                    GifColorType c;
                    c.Red = p[2];
                    c.Green = p[1];
                    c.Blue = p[0];
                    picture.colours.push_back(c);
                }
                lastKey = key;
                lastIndex = found->second;
            }
            out[x] = lastIndex;
        }
    }
    if (!exact) {
        picture.colours = HalftoneGifColours();
        picture.indices = HalftoneIndices(bitmap);
    }
    size_t size = 2;
    while (size < picture.colours.size()) size *= 2;
    picture.colours.resize(size, GifColorType{0, 0, 0});
    return picture;
}

[[noreturn]] void ThrowGifError(int code) {
    throw EPictureError(std::string("Cannot encode the picture as GIF: ") +
                        (GifErrorString(code) ? GifErrorString(code) : "giflib error"));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap, const RasterFileOptions& options) {
    CheckNotEmpty(bitmap, "BMP");
    const int w = bitmap.Width(), h = bitmap.Height();
    const bool indexed = bitmap.PixelFormat() == TPixelFormat::pf8bit;
    const uint64_t rowSize =
        indexed ? (static_cast<uint64_t>(w) + 3) & ~uint64_t(3) : static_cast<uint64_t>(w) * 4;
    const uint64_t imageSize = rowSize * static_cast<uint64_t>(h);
    const uint32_t headerSize = 14 + 40 + (indexed ? 256 * 4 : 0);
    if (imageSize + headerSize > 0xFFFFFFFFull)
        throw EPictureError("The picture is too large for BMP (" + std::to_string(w) + " x " +
                            std::to_string(h) + " pixels)");

    std::vector<uint8_t> out(static_cast<size_t>(headerSize + imageSize), 0);
    // BITMAPFILEHEADER
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(headerSize + imageSize));
    Put32(out, 10, headerSize);
    // BITMAPINFOHEADER; a positive height: rows bottom-up.
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(w));
    Put32(out, 22, static_cast<uint32_t>(h));
    Put16(out, 26, 1);
    Put16(out, 28, indexed ? 8 : 32);
    Put32(out, 30, 0);  // BI_RGB
    Put32(out, 34, static_cast<uint32_t>(imageSize));
    Put32(out, 38, PixelsPerMetre(options.Dpi));
    Put32(out, 42, PixelsPerMetre(options.Dpi));
    Put32(out, 46, indexed ? 256 : 0);
    Put32(out, 50, 0);

    uint8_t* data = out.data() + headerSize;
    if (indexed) {
        const std::vector<PaletteEntry>& palette = HalftonePalette();
        uint8_t* q = out.data() + 54;
        for (const PaletteEntry& e : palette) {
            q[0] = e.Blue;
            q[1] = e.Green;
            q[2] = e.Red;
            q[3] = 0;
            q += 4;
        }
        const std::vector<uint8_t> indices = HalftoneIndices(bitmap);
        for (int y = 0; y < h; ++y)
            std::memcpy(data + static_cast<size_t>(h - 1 - y) * rowSize,
                        indices.data() + static_cast<size_t>(y) * w, static_cast<size_t>(w));
    } else {
        for (int y = 0; y < h; ++y) {
            const uint8_t* p = bitmap.ScanLine(y);
            uint8_t* q = data + static_cast<size_t>(h - 1 - y) * rowSize;
            for (int x = 0; x < w; ++x, p += 4, q += 4) {
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
                q[3] = 0;  // reserved in BI_RGB: readers that look for alpha see none
            }
        }
    }
    return out;
}

std::vector<uint8_t> EncodePng(const Bitmap& bitmap, const RasterFileOptions& options) {
    CheckNotEmpty(bitmap, "PNG");
    const int w = bitmap.Width(), h = bitmap.Height();
    const bool indexed = bitmap.PixelFormat() == TPixelFormat::pf8bit;

    std::vector<uint8_t> samples;
    size_t rowBytes;
    std::vector<png_color> palette;
    if (indexed) {
        samples = HalftoneIndices(bitmap);
        rowBytes = static_cast<size_t>(w);
        for (const PaletteEntry& e : HalftonePalette()) palette.push_back({e.Red, e.Green, e.Blue});
    } else {
        const size_t channels = options.Alpha ? 4 : 3;
        rowBytes = static_cast<size_t>(w) * channels;
        samples.resize(rowBytes * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y) {
            const uint8_t* p = bitmap.ScanLine(y);
            uint8_t* q = samples.data() + static_cast<size_t>(y) * rowBytes;
            for (int x = 0; x < w; ++x, p += 4, q += channels) {
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                if (!options.Alpha) continue;
                // PNG keeps colours apart from their opacity.
                const unsigned a = p[3];
                q[3] = p[3];
                for (int c = 0; c < 3; ++c)
                    q[c] = a ? static_cast<uint8_t>((q[c] * 255u + a / 2) / a) : 0;
            }
        }
    }
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[y] = samples.data() + static_cast<size_t>(y) * rowBytes;

    std::vector<uint8_t> out;
    PngSink sink;
    sink.out = &out;
    sink.message[0] = '\0';
    if (!PngEncodeCore(&sink, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h),
                       indexed         ? PNG_COLOR_TYPE_PALETTE
                       : options.Alpha ? PNG_COLOR_TYPE_RGB_ALPHA
                                       : PNG_COLOR_TYPE_RGB,
                       indexed ? palette.data() : nullptr, static_cast<int>(palette.size()),
                       rows.data(), PixelsPerMetre(options.Dpi)))
        throw EPictureError(std::string("Cannot encode the picture as PNG: ") + sink.message);
    return out;
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const RasterFileOptions& options) {
    CheckNotEmpty(bitmap, "JPEG");
    CheckSideLimit(bitmap, "JPEG", JPEG_MAX_DIMENSION);
    const int w = bitmap.Width(), h = bitmap.Height();

    // An 8-bit picture shows its palette colours; when its indices are
    // current the pixels hold exactly those, otherwise map a copy.
    std::vector<uint8_t> mapped;
    std::vector<const uint8_t*> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[y] = bitmap.ScanLine(y);
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) {
        const std::vector<uint8_t> indices = HalftoneIndices(bitmap);
        const std::vector<PaletteEntry>& palette = HalftonePalette();
        mapped.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
        for (size_t i = 0; i < indices.size(); ++i) {
            const PaletteEntry& e = palette[indices[i]];
            mapped[i * 4] = e.Blue;
            mapped[i * 4 + 1] = e.Green;
            mapped[i * 4 + 2] = e.Red;
            mapped[i * 4 + 3] = 0;
        }
        for (int y = 0; y < h; ++y) rows[y] = mapped.data() + static_cast<size_t>(y) * w * 4;
    }

    JpegState state;
    std::memset(&state, 0, sizeof state);
    const bool ok = JpegEncodeCore(&state, static_cast<JDIMENSION>(w), static_cast<JDIMENSION>(h),
                                   rows.data(), static_cast<UINT16>(std::lround(options.Dpi)));
    std::vector<uint8_t> out;
    if (ok) {
        try {
            out.assign(state.buffer, state.buffer + state.size);
        } catch (...) {
            std::free(state.buffer);
            throw;
        }
    }
    std::free(state.buffer);
    if (!ok)
        throw EPictureError(std::string("Cannot encode the picture as JPEG: ") + state.message);
    return out;
}

std::vector<uint8_t> EncodeGif(const Bitmap& bitmap) {
    CheckNotEmpty(bitmap, "GIF");
    CheckSideLimit(bitmap, "GIF", 65535);
    const int w = bitmap.Width(), h = bitmap.Height();

    GifPicture picture;
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) {
        picture.colours = HalftoneGifColours();
        picture.indices = HalftoneIndices(bitmap);
    } else {
        picture = ReduceForGif(bitmap);
    }
    int bits = 1;
    while ((1u << bits) < picture.colours.size()) ++bits;

    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifOutput, &error);
    if (!gif) ThrowGifError(error);
    ColorMapObject* map =
        GifMakeMapObject(static_cast<int>(picture.colours.size()), picture.colours.data());
    if (!map) {
        EGifCloseFile(gif, nullptr);
        ThrowGifError(E_GIF_ERR_NOT_ENOUGH_MEM);
    }
    EGifSetGifVersion(gif, true);
    // The background is the colour of the top-left pixel: the picture's margin.
    bool ok = EGifPutScreenDesc(gif, w, h, bits, picture.indices[0], map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, picture.indices.data() + static_cast<size_t>(y) * w, w) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok) error = gif->Error;
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK && ok) {
        ok = false;
        error = closeError;
    }
    if (!ok) ThrowGifError(error);
    return out;
}

std::vector<uint8_t> EncodePicture(const Bitmap& bitmap, PictureFormat format,
                                   const RasterFileOptions& options) {
    switch (format) {
        case PictureFormat::Bmp: return EncodeBmp(bitmap, options);
        case PictureFormat::Png: return EncodePng(bitmap, options);
        case PictureFormat::Jpeg: return EncodeJpeg(bitmap, options);
        case PictureFormat::Gif: return EncodeGif(bitmap);
    }
    throw std::invalid_argument("Unknown picture format");
}

void WritePictureFile(const Bitmap& bitmap, const std::string& path, PictureFormat format) {
    const std::vector<uint8_t> data = EncodePicture(bitmap, format);
    WriteFileAtomic(path, data.data(), data.size());
}

bool PictureFormatFromExtension(const std::string& path, PictureFormat& format) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > dot) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == "bmp")
        format = PictureFormat::Bmp;
    else if (ext == "png")
        format = PictureFormat::Png;
    else if (ext == "jpg" || ext == "jpeg")
        format = PictureFormat::Jpeg;
    else if (ext == "gif")
        format = PictureFormat::Gif;
    else
        return false;
    return true;
}

}  // namespace nerovan
