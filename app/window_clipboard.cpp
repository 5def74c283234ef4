// The clipboard contents the window makes and reads.
#include "window_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <mutex>

namespace nerovan {

namespace {

// The largest side of the frame that stands for a pasted metafile: its
// header comes from another program and may claim any size.
constexpr int kMaxPastedSide = 4096;

// What Image1 shows for a metafile pasted from the clipboard: the typesetter
// draws only its own pictures, so another program's records cannot be
// replayed. The picture keeps the metafile's size, white inside a grey
// dotted frame, until the next paint replaces it.
QImage PastedMetafileImage(int width, int height) {
    width = std::clamp(width, 8, kMaxPastedSide);
    height = std::clamp(height, 8, kMaxPastedSide);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    painter.drawRect(0, 0, width - 1, height - 1);
    return image;
}

// Clipboard contents holding EMF bytes under the two EMF targets.
QMimeData* EmfMimeData(const QByteArray& emf) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kEmfMimeOffice), emf);
    data->setData(QString::fromLatin1(kEmfMime), emf);
    return data;
}

}  // namespace

DisplayedPicture PastedMetafilePicture(const QByteArray& emf, int width, int height) {
    DisplayedPicture kept;
    kept.Emf = emf;
    kept.Frame = PastedMetafileImage(width, height);
    return kept;
}

QMimeData* DisplayedPictureMimeData(const DisplayedPicture& shown, bool transparent) {
    if (shown.Bitmap)
        return BitmapMimeData(*shown.Bitmap, shown.Expression,
                              transparent ? shown.Drawing.get() : nullptr);
    if (shown.Metafile) return MetafileMimeData(*shown.Metafile);
    if (!shown.Emf.isEmpty()) return EmfMimeData(shown.Emf);
    throw EPictureError("There is no picture to copy");
}

QMimeData* PictureToCopy(TPaintCycle& cycle, const DisplayedPicture& shown, bool transparent) {
    {
        std::lock_guard<std::mutex> lock(cycle.ComponentMutex());
        if (cycle.Component().EMFPaint) {
            const Metafile& mf = cycle.Component().Metafile();
            if (mf.Width <= 0 || mf.Height <= 0) throw EPictureError("There is no picture to copy");
            return MetafileMimeData(mf);
        }
    }
    return DisplayedPictureMimeData(shown, transparent);
}

ClipboardFormula ClipboardFormulaNow() {
    return ReadClipboardFormula(QGuiApplication::clipboard()->mimeData());
}

}  // namespace nerovan
