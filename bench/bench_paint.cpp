// How fast formulas are measured and painted, against a floor: the same
// glyphs, lines and arcs drawn the cheapest way cairo allows (one call per
// run of glyphs of one font and colour, one stroke for the lines of one pen
// width, one per arc) onto a surface of the same size. Also the
// growth with the number of terms and with nesting depth, and the renderer's
// peak memory for the demo formulas.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "component.h"
#include "formula_picture.h"
#include "demo_formulas.h"
#include "emf.h"
#include "expression.h"
#include "font_engine.h"
#include "metafile.h"

namespace nerovan {
namespace {

std::vector<std::pair<std::string, std::string>> Formulas() {
    std::string long_sum;
    for (int i = 1; i <= 200; ++i)
        long_sum += (i > 1 ? " + " : "") + std::string("x_") + std::to_string(i) + "^2";
    std::vector<std::pair<std::string, std::string>> f = {
        {"scripts", "x_i^2 + 1"},
        {"sum", "sum(i=1, n, x_i^2)"},
        {"integral", "int(a, b, f(x) dx)"},
        {"sqrt", "sqrt(x^2+y^2)"},
        {"gauss", "(1/sqrt(2\\p)/\\s_c)  e^(- (u-\\-u_c)/2/\\s^2_c)"},
        {"matrix", "mat33[1/(z+1),0,0,0,1/(z+2),0,0,0,1/(z+3)]"},
        {"ksi", "\\ksi_t = sum(i=1, n, ((\\ksi_i , u_i)))/sum(i=1, n, ((u_i)))"},
        {"sum200", long_sum},
    };
    for (int n = 1; n <= kDemoFormulaCount; ++n)
        f.push_back({"demo" + std::to_string(n), DemoFormulas[n - 1]});
    return f;
}

// The display list of one paint, and the surface size.
struct Recording {
    DisplayList List;
    int Width = 0, Height = 0;
};

Recording Record(const std::string& expression) {
    TNerovan c;
    c.Font.Height = -21;
    c.Expression = expression;
    c.Paint();
    return {c.Metafile().List, c.Metafile().Width, c.Metafile().Height};
}

// The recording drawn onto a fresh surface with one cairo call per run of
// glyphs of one font and colour, one stroke per pen width for all lines and
// one per arc or ellipse, fonts resolved in advance: what any renderer of
// these pixels at least has to do.
class Floor {
public:
    explicit Floor(Recording r) : r_(std::move(r)) {
        for (const DrawOp& op : r_.List.Ops) {
            if (op.Kind != DrawOpKind::Text) continue;
            const FontHandle h = FontEngine::Instance().Resolve(op.Font);
            if (runs_.empty() || runs_.back().Font != h.Scaled || runs_.back().Color != op.Color)
                runs_.push_back({h.Scaled, op.Color, {}});
            double x = op.X1;
            for (size_t i = 0; i < op.Text.size(); ++i) {
                runs_.back().Glyphs.push_back(
                    {h.Glyphs[static_cast<uint8_t>(op.Text[i])], x, double(op.Y1 + h.Ascent)});
                x += op.Advances[i];
            }
        }
        for (const DrawOp& op : r_.List.Ops)
            if ((op.Kind == DrawOpKind::Line || op.Kind == DrawOpKind::Arc ||
                 op.Kind == DrawOpKind::Ellipse) &&
                std::find(widths_.begin(), widths_.end(), op.PenWidth) == widths_.end())
                widths_.push_back(op.PenWidth);
    }

    void Draw() const {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, r_.Width, r_.Height);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        for (const Run& run : runs_) {
            cairo_set_scaled_font(cr, run.Font);
            cairo_show_glyphs(cr, run.Glyphs.data(), static_cast<int>(run.Glyphs.size()));
        }
        // Lines as one path stroked once per pen width; the arcs and
        // ellipses of brackets, braces and signs each stroked alone.
        for (const int width : widths_) {
            for (const DrawOp& op : r_.List.Ops) {
                if (op.PenWidth != width) continue;
                if (op.Kind == DrawOpKind::Line) {
                    cairo_move_to(cr, op.X1 + 0.5, op.Y1 + 0.5);
                    cairo_line_to(cr, op.X2 + 0.5, op.Y2 + 0.5);
                } else if (op.Kind == DrawOpKind::Arc || op.Kind == DrawOpKind::Ellipse) {
                    const double rx = std::max(0.5, (op.Rect.Width() - 1) / 2.0);
                    const double ry = std::max(0.5, (op.Rect.Height() - 1) / 2.0);
                    cairo_save(cr);
                    cairo_translate(cr, (op.Rect.Left + op.Rect.Right) / 2.0,
                                    (op.Rect.Top + op.Rect.Bottom) / 2.0);
                    cairo_scale(cr, rx, ry);
                    cairo_new_sub_path(cr);
                    cairo_arc(cr, 0, 0, 1, 0, op.Kind == DrawOpKind::Arc ? M_PI : 2 * M_PI);
                    cairo_restore(cr);
                    // Stroked at once: one path spanning the whole picture
                    // costs cairo more than many small ones.
                    cairo_set_line_width(cr, width);
                    cairo_stroke(cr);
                }
            }
            cairo_set_line_width(cr, width);
            cairo_stroke(cr);
        }
        cairo_destroy(cr);
        cairo_surface_destroy(s);
    }

private:
    struct Run {
        cairo_scaled_font_t* Font;
        TColor Color;
        std::vector<cairo_glyph_t> Glyphs;
    };
    Recording r_;
    std::vector<Run> runs_;
    std::vector<int> widths_;
};

double Microseconds(std::chrono::steady_clock::time_point from,
                    std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

enum class Target { Bitmap8, Bitmap32, Metafile };

// Each iteration paints the formula, timed, and then draws its floor, timed
// apart: the two alternate, so the machine's speed of the moment (a shared
// machine changes it from second to second) weighs on both alike and the
// ratio compares like with like.
void PaintFormula(benchmark::State& state, std::string expression, Target target) {
    TNerovan c;
    c.Font.Height = -21;
    c.Expression = expression;
    c.EMFPaint = target == Target::Metafile;
    c.BlurBitmap = target == Target::Bitmap32;
    const Floor floor(Record(expression));
    double paint_us = 0;
    double floor_us = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        c.Paint();
        if (target == Target::Metafile) benchmark::DoNotOptimize(SerializeEmf(c.Metafile()));
        const auto painted = std::chrono::steady_clock::now();
        floor.Draw();
        const auto drawn = std::chrono::steady_clock::now();
        state.SetIterationTime(1e-6 * Microseconds(start, painted));
        paint_us += Microseconds(start, painted);
        floor_us += Microseconds(painted, drawn);
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["floor_us"] = floor_us / iterations;
    state.counters["ratio"] = paint_us / floor_us;
}

// The bytes of the picture file of a painted formula, from the metafile
// (EMF, SVG, PDF) or the bitmap (PNG): the writing alone, the paint done once.
void WritePicture(benchmark::State& state, std::string expression, PictureKind kind) {
    TNerovan c;
    c.Font.Height = -21;
    c.Expression = expression;
    c.EMFPaint = PaintsFromMetafile(kind, {});
    c.Paint();
    for (auto _ : state) benchmark::DoNotOptimize(EncodeFormulaPicture(c, kind, {}));
}

// Measure plus paint onto a metafile canvas, with no picture to allocate, so
// the series can grow past the largest picture.
void LayOut(benchmark::State& state, const std::string& expression) {
    Metafile target;
    for (auto _ : state) {
        MetafileCanvas canvas(target, "", "");
        canvas.Font.Height = -21;
        canvas.Brush.Style = TBrushStyle::bsClear;  // text over the background, as in a paint
        const TFormulaMetrics m = MeasureExpression(expression, canvas);
        target.Width = m.Width + 4;
        target.Height = m.Height + 4;
        PaintExpression(expression, {2, 2}, canvas);
    }
    state.SetComplexityN(state.range(0));
}

std::string SumOf(int terms) {
    std::string s;
    for (int i = 1; i <= terms; ++i)
        s += (i > 1 ? "+" : "") + std::string("x_") + std::to_string(i);
    return s;
}

std::string Nested(const std::string& open, const std::string& close, const std::string& core,
                   int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += core;
    for (int i = 0; i < depth; ++i) s += close;
    return s;
}

void BM_SumTerms(benchmark::State& state) { LayOut(state, SumOf(int(state.range(0)))); }
BENCHMARK(BM_SumTerms)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Complexity();

void BM_NestedSqrt(benchmark::State& state) {
    LayOut(state, Nested("sqrt(", ")", "x", int(state.range(0))));
}
BENCHMARK(BM_NestedSqrt)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_NestedFraction(benchmark::State& state) {
    LayOut(state, Nested("(", "/x)", "x", int(state.range(0))));
}
BENCHMARK(BM_NestedFraction)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_NestedBrackets(benchmark::State& state) {
    LayOut(state, Nested("((", "))", "x", int(state.range(0)) / 2));
}
BENCHMARK(BM_NestedBrackets)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// Peak resident memory of nerovan-render painting each demo formula into a
// PNG file in a private temporary folder. GNU time starts the renderer from
// its own small process and reports the renderer's peak alone; a child of
// this program would count this program's pages too.
void ReportRendererMemory(const char* renderer) {
    std::printf("\nPeak memory of nerovan-render per demo formula (KiB):\n");
    const char* const time_program = "/usr/bin/time";
    if (access(time_program, X_OK) != 0) {
        std::printf("  not measured: %s is missing (scripts/install-deps installs it)\n",
                    time_program);
        return;
    }
    char folder[] = "/tmp/nerovan-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        std::printf("  no temporary folder: %s\n", std::strerror(errno));
        return;
    }
    const std::string picture = std::string(folder) + "/demo.png";
    const std::string report = std::string(folder) + "/peak";
    for (int n = 1; n <= kDemoFormulaCount; ++n) {
        std::fflush(stdout);  // or the child would print the report so far again
        const pid_t pid = fork();
        if (pid == 0) {
            const std::string demo = std::to_string(n);
            execl(time_program, time_program, "-f", "%M", "-o", report.c_str(), renderer, "--demo",
                  demo.c_str(), "-o", picture.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        long peak = -1;
        if (FILE* f = std::fopen(report.c_str(), "r")) {
            if (std::fscanf(f, "%ld", &peak) != 1) peak = -1;
            std::fclose(f);
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && peak > 0)
            std::printf("  demo %2d: %ld\n", n, peak);
        else
            std::printf("  demo %2d: the renderer failed (status %d)\n", n, status);
    }
    std::remove(picture.c_str());
    std::remove(report.c_str());
    rmdir(folder);
}

}  // namespace
}  // namespace nerovan

int main(int argc, char** argv) {
    using namespace nerovan;
    for (const auto& [name, expression] : Formulas()) {
        benchmark::RegisterBenchmark(("Paint8/" + name).c_str(), PaintFormula, expression,
                                     Target::Bitmap8)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("Paint32/" + name).c_str(), PaintFormula, expression,
                                     Target::Bitmap32)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("PaintEmf/" + name).c_str(), PaintFormula, expression,
                                     Target::Metafile)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
        for (const auto& [kind, title] : {std::pair{PictureKind::Emf, "Emf"},
                                          {PictureKind::Svg, "Svg"},
                                          {PictureKind::Pdf, "Pdf"},
                                          {PictureKind::Png, "Png"}})
            benchmark::RegisterBenchmark(("Write" + std::string(title) + "/" + name).c_str(),
                                         WritePicture, expression, kind)
                ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReportRendererMemory(NEROVAN_RENDER_PATH);
    return 0;
}
