// The paint cycle: RequestPaint starts PaintWorker on a detached thread,
// which paints under the component's mutex and posts its results back;
// ProcessDone, run on the cycle's thread while the paint thread waits for
// it, picks up a text changed meanwhile.
#include "paint_cycle.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>
#include <thread>

#include "cairo_canvas.h"
#include "code_pages.h"
#include "raster_canvas.h"

namespace nerovan {

TPaintCycle::TPaintCycle(QObject* parent) : QObject(parent) {
    std::lock_guard<std::mutex> lock(component_mutex_);
    component_.MaxPicturePixels = kWindowMaxPicturePixels;
}

TPaintCycle::~TPaintCycle() { Close(); }

void TPaintCycle::Close() {
    // A paint thread may still post its results or wait for ProcessDone; let
    // it finish before whoever listens and the component go.
    closing_ = true;
    while (threads_.load() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (threads_.load() > 0) QThread::msleep(1);
    }
}

void TPaintCycle::RequestPaint() {
    if (busy_ || closing_ || !Source) return;
    const PaintOrder order = Source();
    if (order.Text == last_painted_text_) return;
    last_painted_text_ = order.Text;

    // The window works in Unicode, the component in Windows-1251. A text the
    // code page cannot hold is not painted: a replaced character would show
    // a different formula than the one typed.
    std::string expression, bad;
    if (!Utf8ToCp1251(order.Text.toStdString(), expression, bad)) {
        emit Failed(QStringLiteral("Cannot paint: the expression holds ") +
                    QString::fromStdString(bad) +
                    QStringLiteral(", which Windows-1251 cannot hold"));
        return;
    }

    busy_ = true;
    ++threads_;
    try {
        std::thread(&TPaintCycle::PaintWorker, this, order, std::move(expression)).detach();
    } catch (const std::exception& e) {
        --threads_;
        busy_ = false;
        last_painted_text_.clear();
        emit Failed(QStringLiteral("Cannot start the paint: ") +
                    QString::fromStdString(UserMessage(e)));
    }
}

void TPaintCycle::PostToWindow(std::function<void()> f) {
    {
        std::lock_guard<std::mutex> lock(posted_mutex_);
        posted_.push_back({std::move(f), nullptr});
    }
    QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void TPaintCycle::RunOnWindowAndWait(std::function<void()> f) {
    bool done = false;
    std::unique_lock<std::mutex> lock(posted_mutex_);
    posted_.push_back({std::move(f), &done});
    lock.unlock();
    QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
    lock.lock();
    posted_run_.wait(lock, [&done] { return done; });
}

void TPaintCycle::RunPosted() {
    Posted next;
    {
        std::lock_guard<std::mutex> lock(posted_mutex_);
        if (posted_.empty()) return;
        next = std::move(posted_.front());
        posted_.pop_front();
    }
    next.Run();
    if (next.Done) {
        std::lock_guard<std::mutex> lock(posted_mutex_);
        *next.Done = true;
        posted_run_.notify_all();
    }
}

void TPaintCycle::PaintWorker(PaintOrder order, std::string expression) {
    PostToWindow([this] { emit Started(); });
    if (BeforePaintHook) BeforePaintHook(order.Text);

    bool ok = false;
    QString failure;
    DisplayedPicture kept;
    {
        std::lock_guard<std::mutex> lock(component_mutex_);
        component_.Expression = expression;
        component_.BackGroundColor = order.Back;
        component_.ForeGroundColor = order.Fore;
        try {
            component_.Paint();
            kept = TakeDisplayedPicture(order);
            ok = true;
        } catch (const std::exception& e) {
            failure = QString::fromStdString(UserMessage(e));
        } catch (...) {
            failure = QStringLiteral("The formula could not be painted");
        }
    }
    if (!ok) PostToWindow([this, failure] { emit Failed(failure); });

    PostToWindow([this, ok, kept] {
        busy_ = false;
        emit Finished(ok, kept);
    });

    // The end is handed back synchronously: ProcessDone runs on the cycle's
    // thread after every update above, and this thread waits for it.
    RunOnWindowAndWait([this] { ProcessDone(); });
    --threads_;
}

namespace {

// The drawing of the bitmap just painted: the same expression painted into
// the metafile target, which is then the component's metafile; EMFPaint goes
// back also when the paint throws.
std::shared_ptr<const Metafile> PaintDrawing(TNerovan& component) {
    struct ModeBack {
        TNerovan& c;
        ~ModeBack() { c.EMFPaint = false; }
    } back{component};
    component.EMFPaint = true;
    component.Paint();
    return std::make_shared<const Metafile>(component.Metafile());
}

}  // namespace

DisplayedPicture TPaintCycle::TakeDisplayedPicture(const PaintOrder& order) {
    DisplayedPicture kept;
    kept.Expression = component_.Expression;
    kept.DisplayScale = order.DisplayScale;
    const bool sharp = order.DisplayScale != 1;
    if (component_.EMFPaint) {
        kept.Metafile = std::make_shared<const Metafile>(component_.Metafile());
        kept.Drawing = kept.Metafile;
        // A metafile is shown by replaying it onto a bitmap of its size.
        const Metafile& mf = *kept.Metafile;
        if (mf.Width > 0 && mf.Height > 0) {
            auto shown = std::make_shared<Bitmap>();
            shown->SetPixelFormat(TPixelFormat::pf32bit);
            shown->SetSize(mf.Width, mf.Height);
            mf.List.ReplayOn(shown->Canvas());
            shown->ScanLine(0);  // drawing held back is done here, not on the window thread
            kept.Pixels = std::move(shown);
        }
    } else {
        // The bitmap itself: the component paints its next picture into a
        // new one while this one is kept.
        kept.Bitmap = component_.SharedBitmap();
        kept.Pixels = kept.Bitmap;
        // Without its drawing the bitmap still shows, at one pixel per pixel.
        if (sharp || order.KeepDrawing) {
            try {
                kept.Drawing = PaintDrawing(component_);
            } catch (const std::exception&) {
            }
        }
    }
    const Metafile* drawing = kept.Drawing.get();
    if (sharp && drawing && drawing->Width > 0 && drawing->Height > 0 &&
        ScaledSide(drawing->Width, order.DisplayScale) *
                ScaledSide(drawing->Height, order.DisplayScale) <=
            kWindowMaxPicturePixels) {
        auto larger = std::make_shared<Bitmap>();
        PaintScaledPicture(*drawing, order.DisplayScale, false, *larger);
        if (component_.BlurBitmap && !component_.EMFPaint) SmoothBitmap(*larger);
        larger->ScanLine(0);
        kept.Sharp = std::move(larger);
    }
    return kept;
}

void TPaintCycle::ProcessDone() {
    if (closing_) return;
    RequestPaint();
    emit Done();
}

}  // namespace nerovan
