// nerovan-render: typesets one formula from the command line and writes its
// picture (BMP, EMF, PNG, JPEG, GIF, SVG, PDF) to a file or to standard
// output, prints its box and baseline, or prints what the painting pass draws;
// with --batch, a picture for every line of a file (batch.cpp). Exit 0 done, 1
// notation error, 2 usage or file error.
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "atomic_file.h"
#include "batch.h"
#include "code_pages.h"
#include "component.h"
#include "demo_formulas.h"
#include "formula_file.h"
#include "font_engine.h"
#include "formula_picture.h"
#include "metafile.h"
#include "raster_canvas.h"
#include "read_formula.h"
#include "render_options.h"

namespace {

using namespace nerovan;

constexpr int kExitNotation = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message) {
    std::cerr << "nerovan-render: " << message << "\n";
    return kExitUsage;
}

// A renderer ended by a signal while it writes a picture removes the
// temporary file it was writing (the old picture stays) and then dies of the
// same signal, so its exit status still says so.
extern "C" void EndOnSignal(int sig) {
    RemovePendingTemporaryFile();
    raise(sig);  // SA_RESETHAND has put the default action back
}

void RemoveTemporaryFileOnSignals() {
    struct sigaction action {};
    action.sa_handler = EndOnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction old;
        // A signal the caller ignores (as for a background job) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(sig, &action, nullptr);
    }
}

// The fonts resolved by earlier calls, in $XDG_CACHE_HOME/nerovan/fonts (or
// ~/.cache/nerovan/fonts): taken while nothing they depend on has changed,
// so a call reads no fontconfig configuration and measures no glyph table it
// has seen before; written again when a call resolved something new.
class KeptFonts {
public:
    KeptFonts() {
        const char* cache = std::getenv("XDG_CACHE_HOME");
        const char* home = std::getenv("HOME");
        if (cache && cache[0] == '/')
            folder_ = std::string(cache) + "/nerovan";
        else if (home && home[0] == '/')
            folder_ = std::string(home) + "/.cache/nerovan";
        else
            return;
        struct stat st;
        const std::string path = folder_ + "/fonts";
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxBytes) return;
        try {
            FontEngine::Instance().ImportResolved(ReadFileBytes(path));
        } catch (const std::exception&) {
            // Resolved afresh.
        }
    }
    ~KeptFonts() {
        if (folder_.empty()) return;
        try {
            const std::string bytes = FontEngine::Instance().ExportResolved();
            if (bytes.empty()) return;
            mkdir((folder_.substr(0, folder_.rfind('/'))).c_str(), 0700);
            mkdir(folder_.c_str(), 0700);
            WriteFileAtomic(folder_ + "/fonts", bytes.data(), bytes.size(), AtomicWrite::Batch);
        } catch (const std::exception&) {
            // A cache that cannot be written is no failure of the call.
        }
    }
    KeptFonts(const KeptFonts&) = delete;
    KeptFonts& operator=(const KeptFonts&) = delete;

private:
    static constexpr off_t kMaxBytes = 16 << 20;
    std::string folder_;
};

// The expression as the typesetter takes it: Windows-1251 bytes.
bool LoadExpression(const RenderOptions& o, std::string& expression, std::string& error) {
    switch (o.Source) {
        case ExpressionSource::Argument: {
            std::string bad;
            if (!Utf8ToCp1251(o.Expression, expression, bad)) {
                error = "the expression holds " + bad + ", which Windows-1251 cannot hold";
                return false;
            }
            return true;
        }
        case ExpressionSource::FormulaFile: {
            try {
                expression = ReadExpressionFile(o.FormulaFile);
            } catch (const std::exception& e) {
                error = UserMessage(e);
                return false;
            }
            return true;
        }
        case ExpressionSource::Demo: expression = DemoFormulas[o.Demo - 1]; return true;
        case ExpressionSource::None: break;
    }
    error = "no expression";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    RemoveTemporaryFileOnSignals();
    if (int status = 0; RunReadFormula(argc - 1, argv + 1, status)) return status;
    RenderOptions o;
    std::string error;
    if (!ParseRenderOptions(argc - 1, argv + 1, o, error)) {
        std::cerr << "nerovan-render: " << error << "\nTry 'nerovan-render --help'.\n";
        return kExitUsage;
    }
    if (o.Help) {
        std::cout << kRenderUsage;
        return 0;
    }
    if (o.Version) {
        std::cout << "nerovan-render " NEROVAN_VERSION "\n" << std::flush;
        return std::cout ? 0 : kExitUsage;
    }
    const KeptFonts kept_fonts;
    if (!o.Batch.empty()) return RunBatch(o);

    // The kind of picture: --format, or the output file's extension.
    PictureKind kind = PictureKind::Png;
    const PictureOptions picture{o.Scale, o.Transparent};
    if (!o.Output.empty()) {
        if (!o.Format.empty())
            PictureKindFromName(o.Format, kind);
        else if (!PictureKindFromExtension(o.Output, kind))
            return Fail("cannot tell the picture format of \"" + o.Output +
                        "\": use .bmp, .emf, .png, .jpg, .jpeg or .gif");
        const std::string refusal = PictureRefusal(kind, picture);
        if (!refusal.empty()) {
            std::cerr << "nerovan-render: " << refusal << "\nTry 'nerovan-render --help'.\n";
            return kExitUsage;
        }
    }

    TNerovan component;
    if (!LoadExpression(o, component.Expression, error)) return Fail(error);
    ApplyRenderOptions(o, component);
    // Measuring alone needs no pixels: the metafile target lays out exactly
    // as the bitmap does, without a bitmap of the picture's size.
    // The picture's metrics need a paint (the picture grows where ink would
    // be cut off), but no pixels either.
    const bool measure_only = o.Output.empty() && !o.Ops && !o.PictureMetrics;
    component.EMFPaint = o.Output.empty() ? !o.Ops : PaintsFromMetafile(kind, picture);

    DisplayList ops;
    if (o.Ops && !component.EMFPaint) component.Bitmap().Canvas().SetRecorder(&ops);
    try {
        if (measure_only)
            component.Measure();
        else
            component.Paint();
    } catch (const nerovan::Exception& e) {
        std::cerr << e.Utf8Message() << "\n";
        return kExitNotation;
    }
    component.Bitmap().Canvas().SetRecorder(nullptr);

    if (o.Metrics)
        std::cout << component.Metrics.Width << " " << component.Metrics.Height << " "
                  << component.Metrics.Ascent << "\n";
    if (o.PictureMetrics)
        std::cout << "width=" << component.Metrics.Width << " height=" << component.Metrics.Height
                  << " ascent=" << component.Metrics.Ascent
                  << " baseline=" << PixelText(PictureBaseline(component) * o.Scale)
                  << " picture-width=" << PictureWidth(component, picture)
                  << " picture-height=" << PictureHeight(component, picture) << "\n";
    if (o.Ops)
        std::cout << (component.EMFPaint ? component.Metafile().List.Format() : ops.Format());

    if (!o.Output.empty()) {
        std::vector<uint8_t> bytes;
        try {
            bytes = EncodeFormulaPicture(component, kind, picture);
        } catch (const nerovan::Exception& e) {
            std::cerr << e.Utf8Message() << "\n";
            return kExitNotation;
        } catch (const std::exception& e) {
            return Fail(UserMessage(e));
        }
        if (o.Output == "-") {
            std::cout.write(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<std::streamsize>(bytes.size()));
        } else {
            try {
                WriteFileAtomic(o.Output, bytes.data(), bytes.size());
            } catch (const std::exception& e) {
                return Fail(UserMessage(e));
            }
        }
    }
    std::cout.flush();
    return std::cout.good() ? 0 : Fail("cannot write to standard output");
}
