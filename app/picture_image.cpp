#include "picture_image.h"

#include <QPaintEvent>
#include <QPainter>
#include <cstring>

#include "bitmap.h"

namespace nerovan {

QImage CopyToImage(const Bitmap& bitmap, const QRect& part) {
    if (part.isEmpty()) return QImage();
    QImage image(part.size(), QImage::Format_RGB32);
    if (image.isNull()) return QImage();
    const int w = part.width();
    for (int y = 0; y < part.height(); ++y) {
        const uint8_t* src = bitmap.ScanLine(part.top() + y) + static_cast<size_t>(part.left()) * 4;
        uint8_t* dst = image.scanLine(y);
        std::memcpy(dst, src, static_cast<size_t>(w) * 4);
        for (int x = 0; x < w; ++x) dst[x * 4 + 3] = 0xFF;
    }
    return image;
}

QImage CopyToImage(const Bitmap& bitmap) {
    return CopyToImage(bitmap, QRect(0, 0, bitmap.Width(), bitmap.Height()));
}

TPictureImage::TPictureImage(QWidget* parent) : QWidget(parent) {
    // Every pixel of the widget is painted from the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPictureImage::Show(std::shared_ptr<const Bitmap> pixels) {
    image_ = QImage();
    pixels_ = std::move(pixels);
    resize(pixels_ ? QSize(pixels_->Width(), pixels_->Height()) : QSize(0, 0));
    update();
}

void TPictureImage::Show(const QImage& image) {
    pixels_.reset();
    image_ = image;
    resize(image_.size());
    update();
}

void TPictureImage::Clear() {
    pixels_.reset();
    image_ = QImage();
    resize(0, 0);
    update();
}

QImage TPictureImage::Picture() const {
    if (pixels_) return CopyToImage(*pixels_);
    return image_;
}

void TPictureImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!image_.isNull()) {
        painter.drawImage(event->rect(), image_, event->rect());
        return;
    }
    if (!pixels_) return;
    // Only the rectangle asked for: the screen shows a window's worth of a
    // picture that may be thousands of pixels a side.
    const QRect part = event->rect() & QRect(0, 0, pixels_->Width(), pixels_->Height());
    if (!part.isEmpty()) painter.drawImage(part.topLeft(), CopyToImage(*pixels_, part));
}

}  // namespace nerovan
