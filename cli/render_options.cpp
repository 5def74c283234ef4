// Parsing the command line of nerovan-render.
#include "render_options.h"

#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "component.h"
#include "formula_picture.h"

namespace nerovan {

const char* const kRenderUsage =
    "Usage: nerovan-render [OPTIONS] [EXPRESSION]\n"
    "Typesets a formula and writes its picture, its box or its drawing operations.\n"
    "\n"
    "  EXPRESSION              UTF-8 text, converted to Windows-1251 for the typesetter\n"
    "                          (one that begins with \"--\" goes after a \"--\")\n"
    "  -f, --formula FILE      take the expression from a formula file (its first line, "
    "Windows-1251)\n"
    "      --demo N            take demo formula N, 1 to 18\n"
    "  -o, --output FILE       write the picture; the format follows the extension:\n"
    "                          .bmp .emf .png .jpg .jpeg .gif .svg .pdf\n"
    "                          (\"-\" writes it to standard output; give --format)\n"
    "      --format KIND       png, svg, pdf, emf, bmp, jpg or gif, whatever the extension\n"
    "      --font NAME         default \"Times New Roman\"\n"
    "      --height PX         em height in pixels, default 21\n"
    "      --size PT           the font size in points instead of --height\n"
    "      --bold  --italic\n"
    "      --fg #RRGGBB  --bg #RRGGBB      default black on white\n"
    "      --bg none           no background: a transparent PNG, SVG or PDF\n"
    "      --scale N           paint the picture N times larger, 1 to 8 (1.5 too): PNG,\n"
    "                          BMP, JPEG and GIF get more pixels at N x 96 DPI\n"
    "      --mul-point         mark products with the dot\n"
    "      --blur              32-bit bitmap, smoothed\n"
    "      --metrics           print \"WIDTH HEIGHT ASCENT\" of the measured expression\n"
    "      --picture-metrics   print \"width=W height=H ascent=A baseline=B picture-width=PW\n"
    "                          picture-height=PH\": the box, and the baseline and size of\n"
    "                          the picture in its pixels at the --scale given\n"
    "      --ops               print the painting pass's drawing operations, one per line\n"
    "      --read FILE         print the formula a picture of this program carries (alone)\n"
    "      --batch FILE        render one picture per line of FILE (\"-\": standard input):\n"
    "                          EXPRESSION, or NAME, a tab and EXPRESSION; empty lines and\n"
    "                          lines that begin with # are skipped\n"
    "      --out-dir DIR       where --batch writes NAME.EXT (the line number when no NAME)\n"
    "                          in the --format given (default png); made when missing\n"
    "      --jobs N            render on N threads, default one per core\n"
    "      --manifest FILE     write one JSON object per job line (\"-\": standard output):\n"
    "                          line, name, file, width, height, ascent, depth, expression,\n"
    "                          and error for a line that failed\n"
    "      --keep-unchanged    leave a picture that would get the same bytes untouched\n"
    "  -h, --help              show this help\n"
    "      --version           print the program's name and version\n"
    "\n"
    "Exit status: 0 done; 1 notation error (the message on standard error, no file\n"
    "written); 2 usage, encoding or file error. With --batch: 1 when any line failed\n"
    "(each named with its line number on standard error, the others rendered), 2 for a\n"
    "usage error or a jobs file, folder or manifest that cannot be read or written.\n";

namespace {

bool ParseInt(const std::string& text, int lo, int hi, int& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    value = static_cast<int>(v);
    return true;
}

// A number from 1 to kMaxPictureScale; fractions allowed.
bool ParseScale(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v >= 1 && v <= kMaxPictureScale)) return false;
    value = v;
    return true;
}

}  // namespace

bool ParseColor(const std::string& text, TColor& color) {
    std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (hex.size() != 6) return false;
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    color =
        RGB(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
    return true;
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& o, std::string& error) {
    bool only_positional = false;
    auto set_source = [&](ExpressionSource s) {
        if (o.Source != ExpressionSource::None) {
            error = "give one expression: an EXPRESSION, --formula FILE or --demo N";
            return false;
        }
        o.Source = s;
        return true;
    };
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (only_positional || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!set_source(ExpressionSource::Argument)) return false;
            o.Expression = arg;
            continue;
        }
        if (arg == "--") {
            only_positional = true;
            continue;
        }
        std::string name = arg, value;
        bool has_value = false;
        const size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            has_value = true;
        }
        auto need_value = [&]() {
            if (has_value) return true;
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto flag = [&](bool& target) {
            if (has_value) {
                error = "option " + name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        if (name == "-h" || name == "--help") {
            if (!flag(o.Help)) return false;
        } else if (name == "--version") {
            if (!flag(o.Version)) return false;
        } else if (name == "-f" || name == "--formula") {
            if (!need_value() || !set_source(ExpressionSource::FormulaFile)) return false;
            o.FormulaFile = value;
        } else if (name == "--demo") {
            if (!need_value()) return false;
            if (!ParseInt(value, 1, 18, o.Demo)) {
                error = "--demo takes a number from 1 to 18, not \"" + value + "\"";
                return false;
            }
            if (!set_source(ExpressionSource::Demo)) return false;
        } else if (name == "-o" || name == "--output") {
            if (!need_value()) return false;
            if (value.empty()) {
                error = "--output needs a file name";
                return false;
            }
            o.Output = value;
        } else if (name == "--format") {
            if (!need_value()) return false;
            for (char& c : value)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            PictureKind kind;
            if (!PictureKindFromName(value, kind)) {
                error = "--format takes png, svg, pdf, emf, bmp, jpg or gif, not \"" + value + "\"";
                return false;
            }
            o.Format = value;
        } else if (name == "--scale") {
            if (!need_value()) return false;
            if (!ParseScale(value, o.Scale)) {
                error =
                    "--scale takes a number from 1 to 8, such as 2 or 1.5, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--font") {
            if (!need_value()) return false;
            if (value.empty()) {
                error = "--font needs a font name";
                return false;
            }
            o.FontName = value;
        } else if (name == "--height") {
            if (!need_value()) return false;
            if (!ParseInt(value, 1, kMaxEmPixels, o.Height)) {
                error = "--height takes a whole number of pixels from 1 to " +
                        std::to_string(kMaxEmPixels) + ", not \"" + value + "\"";
                return false;
            }
            o.Size = 0;
        } else if (name == "--size") {
            if (!need_value()) return false;
            if (!ParseInt(value, 1, kMaxPoints, o.Size)) {
                error = "--size takes a whole number of points from 1 to " +
                        std::to_string(kMaxPoints) + ", not \"" + value + "\"";
                return false;
            }
        } else if (name == "--bold") {
            if (!flag(o.Bold)) return false;
        } else if (name == "--italic") {
            if (!flag(o.Italic)) return false;
        } else if (name == "--fg" || name == "--bg") {
            if (!need_value()) return false;
            if (name == "--bg") {
                o.Transparent = value == "none";
                if (o.Transparent) continue;
            }
            if (!ParseColor(value, name == "--fg" ? o.Foreground : o.Background)) {
                error = name + " takes a colour as #RRGGBB, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--mul-point") {
            if (!flag(o.MulPoint)) return false;
        } else if (name == "--blur") {
            if (!flag(o.Blur)) return false;
        } else if (name == "--metrics") {
            if (!flag(o.Metrics)) return false;
        } else if (name == "--picture-metrics") {
            if (!flag(o.PictureMetrics)) return false;
        } else if (name == "--ops") {
            if (!flag(o.Ops)) return false;
        } else if (name == "--batch" || name == "--out-dir" || name == "--manifest") {
            if (!need_value()) return false;
            if (value.empty()) {
                error = name + " needs a file name";
                return false;
            }
            (name == "--batch" ? o.Batch : name == "--out-dir" ? o.OutDir : o.Manifest) = value;
        } else if (name == "--jobs") {
            if (!need_value()) return false;
            if (!ParseInt(value, 1, kMaxBatchJobs, o.Jobs)) {
                error = "--jobs takes a number from 1 to " + std::to_string(kMaxBatchJobs) +
                        ", not \"" + value + "\"";
                return false;
            }
        } else if (name == "--keep-unchanged") {
            if (!flag(o.KeepUnchanged)) return false;
        } else if (arg.compare(0, 2, "--") != 0) {
            // A formula may begin with a minus sign: "-a" is an expression.
            if (!set_source(ExpressionSource::Argument)) return false;
            o.Expression = arg;
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (o.Help || o.Version) return true;
    if (o.Transparent && o.Blur) {
        error = "--blur smooths the picture over its background: it cannot go with --bg none";
        return false;
    }
    if (!o.Batch.empty()) {
        if (o.Source != ExpressionSource::None || !o.Output.empty() || o.Metrics ||
            o.PictureMetrics || o.Ops) {
            error =
                "--batch takes its expressions from the file and writes into --out-dir: an "
                "EXPRESSION, --formula, --demo, --output, --metrics, --picture-metrics and "
                "--ops cannot go with it (the manifest has the metrics)";
            return false;
        }
        if (o.OutDir.empty()) {
            error = "--batch writes its pictures into a folder: give --out-dir DIR";
            return false;
        }
        return true;
    }
    if (!o.OutDir.empty() || !o.Manifest.empty() || o.Jobs != 0 || o.KeepUnchanged) {
        error = "--out-dir, --manifest, --jobs and --keep-unchanged go with --batch";
        return false;
    }
    if (o.Source == ExpressionSource::None) {
        error = "no expression: give an EXPRESSION, --formula FILE or --demo N";
        return false;
    }
    if (o.Output.empty() && !o.Metrics && !o.Ops && !o.PictureMetrics) {
        error = "nothing to do: give --output FILE, --metrics or --ops";
        return false;
    }
    if (o.Output == "-") {
        if (o.Format.empty()) {
            error = "-o - writes the picture to standard output: name its kind with --format";
            return false;
        }
        if (o.Metrics || o.PictureMetrics || o.Ops) {
            error =
                "-o - takes standard output for the picture alone: --metrics, "
                "--picture-metrics and --ops cannot go with it";
            return false;
        }
    }
    return true;
}

std::string PixelText(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string text = buf;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

void ApplyRenderOptions(const RenderOptions& o, TNerovan& component) {
    component.Font.Name = o.FontName;
    if (o.Size > 0)
        component.Font.SetSize(o.Size);
    else
        component.Font.Height = -o.Height;
    component.Font.Style = (o.Bold ? fsBold : 0) | (o.Italic ? fsItalic : 0);
    component.ForeGroundColor = o.Foreground;
    component.BackGroundColor = o.Background;
    component.MulPoint = o.MulPoint;
    component.BlurBitmap = o.Blur;
    component.ItalicVars = false;
}

}  // namespace nerovan
