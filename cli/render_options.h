// Command line of nerovan-render: what to typeset, how, and where to put it.
#pragma once

#include <string>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

class TNerovan;

enum class ExpressionSource { None, Argument, FormulaFile, Demo };

struct RenderOptions {
    ExpressionSource Source = ExpressionSource::None;
    std::string Expression;   // the argument as given (UTF-8)
    std::string FormulaFile;  // -f
    int Demo = 0;             // --demo N, 1 to 18
    std::string Output;       // -o; "-" is standard output
    std::string Format;       // --format, lower case; empty: from the output's extension
    std::string FontName = "Times New Roman";
    int Height = 21;  // em height in pixels
    int Size = 0;     // points; used instead of Height when positive
    bool Bold = false;
    bool Italic = false;
    TColor Foreground = clBlack;
    TColor Background = clWhite;
    bool Transparent = false;  // --bg none
    double Scale = 1;          // --scale
    bool MulPoint = false;
    bool Blur = false;
    bool Metrics = false;
    bool PictureMetrics = false;
    bool Ops = false;
    bool Help = false;
    bool Version = false;  // --version
    // --batch FILE ("-" standard input): one job per line, pictures into OutDir.
    std::string Batch;
    std::string OutDir;          // --out-dir
    std::string Manifest;        // --manifest; "-" standard output
    int Jobs = 0;                // --jobs; 0: one thread per core
    bool KeepUnchanged = false;  // --keep-unchanged
};

constexpr int kMaxBatchJobs = 128;

constexpr int kMaxEmPixels = kMaxFontPixels;
constexpr int kMaxPoints = kMaxEmPixels * 72 / 96;

// Parses the arguments after the program name. Returns false with a message
// that names the problem on a usage error.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);

// Sets the font, colours and switches of the options on the component.
void ApplyRenderOptions(const RenderOptions& options, TNerovan& component);

// A length in pixels, whole or with up to two decimals ("13", "13.5").
std::string PixelText(double v);

// Parses "#RRGGBB" (the "#" may be left out).
bool ParseColor(const std::string& text, TColor& color);

extern const char* const kRenderUsage;

}  // namespace nerovan
