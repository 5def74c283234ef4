#include "picture_image.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>
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

void TPictureImage::Show(std::shared_ptr<const Bitmap> pixels, std::shared_ptr<const Bitmap> sharp,
                         double scale) {
    image_ = QImage();
    pixels_ = std::move(pixels);
    sharp_ = pixels_ ? std::move(sharp) : nullptr;
    scale_ = scale;
    asked_scale_ = scale;
    resize(pixels_ ? QSize(pixels_->Width(), pixels_->Height()) : QSize(0, 0));
    update();
}

void TPictureImage::Show(const QImage& image) {
    pixels_.reset();
    sharp_.reset();
    image_ = image;
    resize(image_.size());
    update();
}

void TPictureImage::Clear() {
    pixels_.reset();
    sharp_.reset();
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
    const double ratio = devicePixelRatioF();
    if (ratio != scale_ && ratio != asked_scale_) {
        asked_scale_ = ratio;  // asked once
        if (ScaleChanged) ScaleChanged();
    }
    // Only the rectangle asked for: the screen shows a window's worth of a
    // picture that may be thousands of pixels a side.
    const QRect part = event->rect() & QRect(0, 0, pixels_->Width(), pixels_->Height());
    if (part.isEmpty()) return;
    if (sharp_ && ratio == scale_) {
        // The device pixels under the part, drawn one for one.
        const int left = int(std::floor(part.left() * ratio));
        const int top = int(std::floor(part.top() * ratio));
        const QRect device =
            QRect(QPoint(left, top), QPoint(int(std::ceil((part.right() + 1) * ratio)) - 1,
                                            int(std::ceil((part.bottom() + 1) * ratio)) - 1)) &
            QRect(0, 0, sharp_->Width(), sharp_->Height());
        QImage image = CopyToImage(*sharp_, device);
        image.setDevicePixelRatio(ratio);
        painter.drawImage(QPointF(device.left() / ratio, device.top() / ratio), image);
        return;
    }
    painter.drawImage(part.topLeft(), CopyToImage(*pixels_, part));
}

}  // namespace nerovan
