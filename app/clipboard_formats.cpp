// Clipboard contents of the picture (EMF targets or image targets) and the
// reading of a formula back from the clipboard: plain text, or the header of
// an EMF, which for a picture of this program names the expression.
#include "clipboard_formats.h"

#include <QImage>
#include <QMimeData>
#include <QVariant>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "bitmap.h"
#include "cairo_canvas.h"
#include "formula_carrier.h"
#include "formula_picture.h"
#include "metafile.h"
#include "picture_files.h"

namespace nerovan {

const char* const kEmfMimeOffice = "application/x-openoffice-emf;windows_formatname=\"Image EMF\"";
const char* const kEmfMime = "image/x-emf";

namespace {

// 96 dots per inch in dots per metre.
constexpr int kDotsPerMetre = 3780;

QByteArray ToByteArray(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QMimeData* MetafileMimeData(const Metafile& metafile) {
    const QByteArray emf = ToByteArray(SerializeEmf(metafile));
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(kEmfMimeOffice), emf);
    data->setData(QString::fromLatin1(kEmfMime), emf);
    return data.release();
}

QImage BitmapToImage(const Bitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (w <= 0 || h <= 0) return QImage();
    QImage image;
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) {
        image = QImage(w, h, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (const PaletteEntry& e : HalftonePalette()) table << qRgb(e.Red, e.Green, e.Blue);
        image.setColorTable(table);
        // The 32-bit rows show the palette colours exactly, so the nearest
        // entry of each pixel is its own entry.
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = bitmap.ScanLine(y);
            uchar* dst = image.scanLine(y);
            for (int x = 0; x < w; ++x, src += 4)
                dst[x] = NearestHalftoneIndex(src[2], src[1], src[0]);
        }
    } else {
        image = QImage(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = bitmap.ScanLine(y);
            QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x, src += 4) dst[x] = qRgb(src[2], src[1], src[0]);
        }
    }
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    return image;
}

namespace {

// The picture as exactly two targets, "image/png" and "image/bmp". Image data
// set with setImageData would be listed too, and the window system's
// clipboard would offer it converted into every format the toolkit writes
// (JPEG, ICO, XPM...). The pixels are still handed out, unlisted, to a
// reader in this program that asks for them with QClipboard::image().
class BitmapMime : public QMimeData {
public:
    explicit BitmapMime(QImage image) : image_(std::move(image)) {}

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType == QLatin1String("application/x-qt-image")) return image_;
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    QImage image_;
};

}  // namespace

QMimeData* BitmapMimeData(const Bitmap& bitmap, const std::string& expression,
                          const Metafile* transparentDrawing) {
    std::vector<uint8_t> encoded;
    QImage image;
    if (transparentDrawing && bitmap.Width() > 0 && bitmap.Height() > 0) {
        Bitmap clear;
        PaintScaledPicture(*transparentDrawing, 1, true, clear);
        RasterFileOptions options;
        options.Alpha = true;
        encoded = EncodePicture(clear, PictureFormat::Png, options);
        image = QImage(clear.Width(), clear.Height(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < clear.Height(); ++y)
            std::memcpy(image.scanLine(y), clear.ScanLine(y), size_t(clear.Width()) * 4);
        image.setDotsPerMeterX(kDotsPerMetre);
        image.setDotsPerMeterY(kDotsPerMetre);
    } else {
        encoded = EncodePng(bitmap);  // throws for an empty picture
        image = BitmapToImage(bitmap);
    }
    if (!expression.empty())
        encoded = AddExpression(std::move(encoded), PictureKind::Png, expression);
    const QByteArray png = ToByteArray(encoded);
    const QByteArray bmp = ToByteArray(EncodeBmp(bitmap));
    auto data = std::make_unique<BitmapMime>(image);
    data->setData(QStringLiteral("image/png"), png);
    data->setData(QStringLiteral("image/bmp"), bmp);
    return data.release();
}

ClipboardFormula ReadClipboardFormula(const QMimeData* data) {
    ClipboardFormula f;
    if (!data) return f;
    // Plain text only: hasText() would also take a copied file's URL.
    if (data->hasFormat(QStringLiteral("text/plain"))) {
        f.HasText = true;
        f.Text = data->text();
    }
    for (const char* target : {kEmfMimeOffice, kEmfMime}) {
        const QString mime = QString::fromLatin1(target);
        if (!data->hasFormat(mime)) continue;
        const QByteArray emf = data->data(mime);
        EmfHeaderInfo header;
        if (!ReadEmfHeader(reinterpret_cast<const uint8_t*>(emf.constData()),
                           static_cast<size_t>(emf.size()), header))
            continue;  // not an EMF we can read: as if it were not there
        f.HasMetafile = true;
        f.Emf = emf;
        f.Header = std::move(header);
        break;
    }
    for (const char* target : {"image/png", "image/svg+xml"}) {
        const QString mime = QString::fromLatin1(target);
        if (!data->hasFormat(mime)) continue;
        const QByteArray image = data->data(mime);
        const std::optional<std::string> formula = ReadFormula(
            reinterpret_cast<const uint8_t*>(image.constData()), static_cast<size_t>(image.size()));
        if (!formula) continue;
        f.HasPictureFormula = true;
        f.PictureFormula = QString::fromStdString(*formula);
        break;
    }
    return f;
}

bool IsOwnCreator(const QString& creator) {
    static const QString kWord = QStringLiteral("Nerovan");
    return creator.startsWith(kWord) && creator.size() > kWord.size();
}

}  // namespace nerovan
