// TPaintCycle: the paint cycle of the window, without the window. It owns the
// formula component and the mutex that guards it, and paints on a
// short-lived thread so typing never waits for the typesetter. One paint
// runs at a time: a request while one runs is not queued, but when the
// running paint ends the cycle asks its source for the text again and paints
// it if it changed meanwhile, so only the latest text follows the running
// one. Everything the paint thread reports comes back on the thread the
// cycle lives on (the window's), in the order it was sent, through the
// cycle's own queue.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "canvas.h"
#include "component.h"

namespace nerovan {

// What Image1 shows, kept in the kind it was painted in: the clipboard and
// the JPEG and GIF files take it from here.
struct DisplayedPicture {
    std::shared_ptr<const nerovan::Bitmap> Bitmap;      // the component's bitmap, kept
    std::shared_ptr<const nerovan::Metafile> Metafile;  // a copy of its metafile
    QByteArray Emf;                                     // a metafile pasted from the clipboard
    // What Image1 shows: the bitmap, the metafile replayed, or the frame
    // that stands for a pasted metafile.
    std::shared_ptr<const nerovan::Bitmap> Pixels;
    QImage Frame;
    // The screen's pixels per pixel of the picture the paint was asked for,
    // and the picture painted that many times larger from its drawing, so a
    // HiDPI screen shows it as sharp as the interface (null at 1, and when
    // so large a picture would pass the window's bound).
    double DisplayScale = 1;
    std::shared_ptr<const nerovan::Bitmap> Sharp;
    // The picture's drawing (the metafile's records), kept in bitmap mode
    // too when the display or a transparent copy needs it.
    std::shared_ptr<const nerovan::Metafile> Drawing;
    // The expression (Windows-1251) the bitmap or metafile shows, which a
    // copied picture carries.
    std::string Expression;
};

// What a paint is asked to paint: the text as typed (Unicode) and the colours.
struct PaintOrder {
    QString Text;
    TColor Fore = clBlack;
    TColor Back = clWhite;
    // The screen's device pixel ratio where the picture shows.
    double DisplayScale = 1;
    // Whether the bitmap's drawing is kept too (transparent copies).
    bool KeepDrawing = false;
};

class TPaintCycle : public QObject {
    Q_OBJECT
public:
    // The largest picture the window paints (64 MiB of pixels): while a new
    // picture paints, the one shown stays, and growing a picture at its
    // edges holds it twice for a moment, so the window may hold three at
    // once. The command-line renderer paints pictures up to four times larger.
    static constexpr long long kWindowMaxPicturePixels = 16LL * 1024 * 1024;

    explicit TPaintCycle(QObject* parent = nullptr);
    // Closes the cycle (see Close).
    ~TPaintCycle() override;

    // Where RequestPaint takes the text and colours from; asked on the
    // cycle's thread at each request and at the end of each paint.
    std::function<PaintOrder()> Source;

    // Asks for a paint of what Source gives; returns at once. Does nothing
    // while a paint runs (the text is picked up when it ends), once closed,
    // or when the text equals LastPaintedText.
    void RequestPaint();
    bool Busy() const { return busy_; }
    // Whether a paint thread still exists (Busy is cleared a moment before
    // the thread hands its end back).
    bool ThreadRunning() const { return threads_.load() > 0; }
    const QString& LastPaintedText() const { return last_painted_text_; }
    // Empties LastPaintedText, so the next RequestPaint paints an unchanged
    // text again (font, colours, parameters, restore).
    void ForgetLastPaintedText() { last_painted_text_.clear(); }

    // No paint starts any more; returns once the running paint has handed
    // its end back, handling the events of this thread meanwhile.
    void Close();
    bool Closing() const { return closing_; }

    // The end of a paint, on the cycle's thread: paints again if the text
    // changed meanwhile, then says Done. Queued once at start-up, it paints
    // the restored text.
    void ProcessDone();

    // The component and the mutex that guards it. Whoever reads or changes
    // the component from the cycle's thread takes the mutex; the paint
    // thread holds it for the whole of its Paint.
    TNerovan& Component() { return component_; }
    std::mutex& ComponentMutex() { return component_mutex_; }

    // Called on the paint thread with the text about to be painted, before
    // the component is touched: what is painted can be recorded, and a paint
    // held back. Set it only while no paint runs.
    std::function<void(const QString&)> BeforePaintHook;

signals:
    // A paint thread has begun.
    void Started();
    // A paint failed, or a text could not be painted at all: the message to show.
    void Failed(const QString& message);
    // A paint has ended; on success with the picture to show. After a
    // failure nothing is to be shown: the last picture stays.
    void Finished(bool ok, const nerovan::DisplayedPicture& picture);
    // The end of a paint has been handled (see ProcessDone).
    void Done();

private slots:
    // Runs the oldest function posted by PostToWindow or RunOnWindowAndWait.
    void RunPosted();

private:
    // The routine of the paint thread: paints the text (already in
    // Windows-1251) with the given colours and sends its results back.
    void PaintWorker(PaintOrder order, std::string expression);
    // The component's current target kept for Image1, with the pixels that
    // show it, at the order's display scale too (component mutex held).
    DisplayedPicture TakeDisplayedPicture(const PaintOrder& order);
    // Runs f on the cycle's thread after everything posted before it. The
    // functions wait in a queue of the cycle's own under a lock, and the
    // thread is only told to run the next one, so it sees everything the
    // posting thread wrote before posting through that lock (a lock the
    // thread checkers see, unlike the event queue's own).
    void PostToWindow(std::function<void()> f);
    // The same, and returns once f has run.
    void RunOnWindowAndWait(std::function<void()> f);

    TNerovan component_;
    std::mutex component_mutex_;

    // Read and written on the cycle's thread only.
    bool busy_ = false;
    bool closing_ = false;
    QString last_painted_text_;
    // Paint threads that have not yet returned (at most one painting; a
    // second can start while the first waits for ProcessDone).
    std::atomic<int> threads_{0};

    struct Posted {
        std::function<void()> Run;
        bool* Done = nullptr;  // set once run, when the poster waits
    };
    std::mutex posted_mutex_;
    std::condition_variable posted_run_;
    std::deque<Posted> posted_;
};

}  // namespace nerovan
