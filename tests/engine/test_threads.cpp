// Typesetting on several threads at once: each thread with its own
// component, all sharing the fonts, paints every demo formula into the
// bitmap and the metafile at sizes the others are painting too, and gets
// exactly the pictures a single thread gets. (The run built with
// ThreadSanitizer checks the same paints for races and lock order.)
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "component.h"
#include "demo_formulas.h"
#include "emf.h"

namespace nerovan {
namespace {

// Every picture of one round, as bytes: the 32-bit rows of each bitmap and
// the EMF of each metafile.
std::vector<std::vector<uint8_t>> PaintRound(int first_em) {
    std::vector<std::vector<uint8_t>> pictures;
    TNerovan c;
    for (int em : {first_em, first_em + 6, first_em + 19})
        for (bool emf : {false, true})
            for (const char* formula : DemoFormulas) {
                c.Font.Height = -em;
                c.EMFPaint = emf;
                c.Expression = formula;
                c.Paint();
                if (emf) {
                    pictures.push_back(SerializeEmf(c.Metafile()));
                } else {
                    const Bitmap& b = c.Bitmap();
                    const uint8_t* rows = b.ScanLine(0);
                    pictures.emplace_back(rows, rows + size_t(b.Stride()) * b.Height());
                }
            }
    return pictures;
}

TEST(Threads, ParallelPaintsMatchOneThread) {
    constexpr int kThreads = 3;
    std::vector<std::vector<std::vector<uint8_t>>> parallel(kThreads);
    std::vector<std::thread> threads;
    // Neighbouring threads share two of their three sizes, so the same scaled
    // fonts are made and used by two threads at once.
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &parallel] { parallel[t] = PaintRound(15 + 6 * t); });
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(parallel[t] == PaintRound(15 + 6 * t)) << "thread " << t;
}

}  // namespace
}  // namespace nerovan
