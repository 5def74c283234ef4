// Image1: the widget that shows the picture. It keeps the painted bitmap
// itself (shared with the formula component, never copied) and turns only
// the part the screen asks for into screen pixels, so a large picture costs
// its own pixels once and not again for the display.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

namespace nerovan {

class Bitmap;

class TPictureImage : public QWidget {
public:
    explicit TPictureImage(QWidget* parent = nullptr);

    // Shows the bitmap at its size (rows of 32-bit pixels).
    void Show(std::shared_ptr<const Bitmap> pixels);
    // Shows an image at its size.
    void Show(const QImage& image);
    // Shows nothing and takes no room.
    void Clear();
    // A copy of what is shown, as an RGB32 image; null when nothing is.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const Bitmap> pixels_;
    QImage image_;
};

// A copy of a rectangle of a 32-bit bitmap as an RGB32 image (the fourth
// byte of every pixel set, as the format wants it). The rectangle must lie
// inside the bitmap.
QImage CopyToImage(const Bitmap& bitmap, const QRect& part);
QImage CopyToImage(const Bitmap& bitmap);

}  // namespace nerovan
