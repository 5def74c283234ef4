// Image1: the widget that shows the picture. It keeps the painted bitmap
// itself (shared with the formula component, never copied) and turns only
// the part the screen asks for into screen pixels, so a large picture costs
// its own pixels once and not again for the display.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

namespace nerovan {

class Bitmap;

class TPictureImage : public QWidget {
public:
    explicit TPictureImage(QWidget* parent = nullptr);

    // Shows the bitmap at its size (rows of 32-bit pixels). The picture was
    // painted for a screen of `scale` device pixels per pixel; `sharp`, when
    // there is one, is the same picture `scale` times larger, drawn pixel for
    // device pixel in the same place.
    void Show(std::shared_ptr<const Bitmap> pixels, std::shared_ptr<const Bitmap> sharp = nullptr,
              double scale = 1);
    // Shows an image at its size.
    void Show(const QImage& image);
    // Shows nothing and takes no room.
    void Clear();
    // A copy of what is shown, as an RGB32 image; null when nothing is.
    QImage Picture() const;
    // The picture drawn on a HiDPI screen, or null.
    const Bitmap* SharpPicture() const { return sharp_.get(); }

    // Called once when the widget is painted at a device pixel ratio other
    // than the one its bitmap was painted for (a screen of another scale),
    // so the picture can be painted again for it.
    std::function<void()> ScaleChanged;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const Bitmap> pixels_;
    std::shared_ptr<const Bitmap> sharp_;
    double scale_ = 1;        // the device pixel ratio the picture was painted for
    double asked_scale_ = 1;  // the ratio ScaleChanged was last called for
    QImage image_;
};

// A copy of a rectangle of a 32-bit bitmap as an RGB32 image (the fourth
// byte of every pixel set, as the format wants it). The rectangle must lie
// inside the bitmap.
QImage CopyToImage(const Bitmap& bitmap, const QRect& part);
QImage CopyToImage(const Bitmap& bitmap);

}  // namespace nerovan
