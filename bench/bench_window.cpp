// The window with the largest picture it paints: peak memory of the whole
// program, the time from typing to the picture shown, and the longest the
// interface thread went without handling its events while the picture
// painted. One case a run (peak memory is the process's):
//   bench_window metafile|bitmap [FORMULA]
// The formula is painted twice, as a different text each time, so the
// peak includes a picture shown while the next one paints.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "main_window.h"

using namespace nerovan;

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool bitmap = argc > 1 && QString(argv[1]) == "bitmap";
    // Just under the window's 16 megapixels at its default em of 27 pixels.
    const QString formula = argc > 2 ? QString(argv[2]) : QString("mat76[mat64[mat72[x]]]");

    QTemporaryDir dir;
    const QString ini = dir.filePath("Nerovan.Ini");
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly)) return 2;
    f.write(bitmap ? "[COPYASPICTURE]\nEMF=0\n" : "[COPYASPICTURE]\nEMF=1\n");
    f.close();

    TNerovan1 w(ini);
    w.show();
    auto* box = w.findChild<QComboBox*>("ComboBox1");
    const QWidget* image = w.findChild<QWidget*>("Image1");
    auto idle = [&] { return !w.PaintBusy() && !w.PaintThreadRunning(); };
    while (!idle()) app.processEvents(QEventLoop::WaitForMoreEvents, 50);

    // The interface thread's longest pause: a timer that should tick every
    // 5 ms notes the longest gap between its ticks.
    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, gap.restart()); });
    for (const QString& text : {formula, formula + " "}) {
        QElapsedTimer took;
        took.start();
        gap.start();
        longest = 0;
        tick.start(5);
        box->setEditText(text);
        app.processEvents();
        while (!idle()) app.processEvents(QEventLoop::WaitForMoreEvents, 5);
        tick.stop();
        std::printf("%-8s %-28s %6lld ms to show, %4lld ms longest pause, picture %dx%d\n",
                    bitmap ? "bitmap" : "metafile", qPrintable(text), took.elapsed(), longest,
                    image->width(), image->height());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory %ld MB\n", usage.ru_maxrss / 1024);
    w.close();
    return 0;
}
