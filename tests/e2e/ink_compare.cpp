// Compares the ink of a picture another program drew from one of our files
// with our own picture of the same formula.
//   ink_compare OURS.png THEIRS.png [--find-frame | --find-ink] [--diff OUT.png]
// Dark pixels (luminance below 128) are ink; a dark pixel is matched by a
// pixel of the other picture within 1 px that is at least a quarter dark
// (luminance below 192), as a thin stroke that one rasteriser draws on one
// row another can split over two lighter ones. THEIRS is either the picture
// alone, pixel for pixel of the same size, or (--find-frame) a page on which
// it stands somewhere: its place is the box of everything that is not white,
// which our pictures' tinted background fills, or (--find-ink, for a picture
// on a white background) where its ink box lines up with ours, to within
// two pixels either way. Passes when the two ink boxes
// are within 1 px of each other, and when the dark pixels that have no dark
// pixel of the other picture within 1 px, counted both ways, stay within
// 8 + 0.5% of our ink pixels. Prints one line of figures; exit 0 passes.
// --diff writes the two inks over each other, scaled up four times: grey
// where both have ink, red for ours alone and blue for theirs alone, pale
// where the other picture has ink within 1 px.
#include <png.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Image {
    int W = 0, H = 0;
    std::vector<uint8_t> Rgb;
    const uint8_t* At(int x, int y) const { return &Rgb[(static_cast<size_t>(y) * W + x) * 3]; }
};

bool Load(const char* path, Image& img) {
    png_image p;
    std::memset(&p, 0, sizeof p);
    p.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&p, path)) return false;
    p.format = PNG_FORMAT_RGB;
    img.W = static_cast<int>(p.width);
    img.H = static_cast<int>(p.height);
    img.Rgb.resize(PNG_IMAGE_SIZE(p));
    // A transparent page is read as drawn on white.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&p, &white, img.Rgb.data(), 0, nullptr)) return false;
    return true;
}

struct Ink {
    int W = 0, H = 0;
    std::vector<uint8_t> Dark;  // 2: dark, 1: a quarter dark, 0: light
    int Count = 0;
    int Left = INT_MAX, Top = INT_MAX, Right = -1, Bottom = -1;
    int Level(int x, int y) const {
        return x >= 0 && y >= 0 && x < W && y < H ? Dark[y * W + x] : 0;
    }
    bool At(int x, int y) const { return Level(x, y) == 2; }
    bool Near(int x, int y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Level(x + dx, y + dy) > 0) return true;
        return false;
    }
};

// The ink of the w x h window of img at (ox, oy); outside img is white.
Ink InkOf(const Image& img, int ox, int oy, int w, int h) {
    Ink ink;
    ink.W = w;
    ink.H = h;
    ink.Dark.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int sx = ox + x, sy = oy + y;
            if (sx < 0 || sy < 0 || sx >= img.W || sy >= img.H) continue;
            const uint8_t* p = img.At(sx, sy);
            const int lum = 299 * p[0] + 587 * p[1] + 114 * p[2];
            if (lum >= 192 * 1000) continue;
            ink.Dark[y * w + x] = 1;
            if (lum >= 128 * 1000) continue;
            ink.Dark[y * w + x] = 2;
            ++ink.Count;
            ink.Left = std::min(ink.Left, x);
            ink.Top = std::min(ink.Top, y);
            ink.Right = std::max(ink.Right, x);
            ink.Bottom = std::max(ink.Bottom, y);
        }
    }
    return ink;
}

void WriteDiff(const char* path, const Ink& a, const Ink& b) {
    constexpr int kZoom = 4;
    Image out;
    out.W = a.W * kZoom;
    out.H = a.H * kZoom;
    out.Rgb.assign(static_cast<size_t>(out.W) * out.H * 3, 255);
    for (int y = 0; y < out.H; ++y)
        for (int x = 0; x < out.W; ++x) {
            const bool ia = a.At(x / kZoom, y / kZoom), ib = b.At(x / kZoom, y / kZoom);
            uint8_t* p = &out.Rgb[(static_cast<size_t>(y) * out.W + x) * 3];
            const uint8_t pale = 200;
            if (ia && ib) {
                p[0] = p[1] = p[2] = 128;
            } else if (ia) {
                p[1] = p[2] = b.Near(x / kZoom, y / kZoom) ? pale : 0;
            } else if (ib) {
                p[0] = p[1] = a.Near(x / kZoom, y / kZoom) ? pale : 0;
            }
        }
    png_image p;
    std::memset(&p, 0, sizeof p);
    p.version = PNG_IMAGE_VERSION;
    p.width = static_cast<png_uint_32>(out.W);
    p.height = static_cast<png_uint_32>(out.H);
    p.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&p, path, 0, out.Rgb.data(), 0, nullptr);
}

int Unmatched(const Ink& a, const Ink& b) {
    int n = 0;
    for (int y = 0; y < a.H; ++y)
        for (int x = 0; x < a.W; ++x)
            if (a.At(x, y) && !b.Near(x, y)) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: ink_compare OURS.png THEIRS.png [--find-frame | --find-ink] [--diff "
                     "OUT.png]\n");
        return 2;
    }
    bool find_frame = false, find_ink = false;
    const char* diff = nullptr;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--find-frame") == 0)
            find_frame = true;
        else if (std::strcmp(argv[i], "--find-ink") == 0)
            find_ink = true;
        else if (std::strcmp(argv[i], "--diff") == 0 && i + 1 < argc)
            diff = argv[++i];
    }
    Image ours, theirs;
    if (!Load(argv[1], ours) || !Load(argv[2], theirs)) {
        std::fprintf(stderr, "ink_compare: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    const Ink a = InkOf(ours, 0, 0, ours.W, ours.H);
    int fx = 0, fy = 0, reach = find_frame ? 1 : 0;
    if (find_ink) {
        const Ink page = InkOf(theirs, 0, 0, theirs.W, theirs.H);
        if (page.Count == 0 || a.Count == 0) {
            std::printf("no ink found: FAIL\n");
            return 1;
        }
        fx = page.Left - a.Left;
        fy = page.Top - a.Top;
        reach = 2;
    } else if (find_frame) {
        int l = INT_MAX, t = INT_MAX;
        for (int y = 0; y < theirs.H; ++y)
            for (int x = 0; x < theirs.W; ++x) {
                const uint8_t* p = theirs.At(x, y);
                if (p[0] < 250 || p[1] < 250 || p[2] < 250) {
                    l = std::min(l, x);
                    t = std::min(t, y);
                }
            }
        if (l == INT_MAX) {
            std::printf("no picture found on the page: FAIL\n");
            return 1;
        }
        fx = l;
        fy = t;
    } else if (theirs.W != ours.W || theirs.H != ours.H) {
        std::printf("size %dx%d, ours %dx%d: FAIL\n", theirs.W, theirs.H, ours.W, ours.H);
        return 1;
    }
    // The frame's edge may be antialiased into the next pixel: the place is
    // the offset near it that leaves the fewest pixels unmatched, and of
    // those the one where the fewest dark pixels differ at the same spot.
    int best = INT_MAX;
    long long best_score = LLONG_MAX;
    int bx = fx, by = fy;
    Ink b;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            Ink cand = InkOf(theirs, fx + dx, fy + dy, ours.W, ours.H);
            const int n = Unmatched(a, cand) + Unmatched(cand, a);
            long long score = static_cast<long long>(n) << 32;
            for (size_t i = 0; i < a.Dark.size(); ++i)
                score += (a.Dark[i] == 2) != (cand.Dark[i] == 2);
            if (score < best_score) {
                best_score = score;
                best = n;
                bx = fx + dx;
                by = fy + dy;
                b = std::move(cand);
            }
        }
    const int budget = 8 + a.Count / 200;
    const bool boxes = b.Count > 0 && std::abs(a.Left - b.Left) <= 1 &&
                       std::abs(a.Top - b.Top) <= 1 && std::abs(a.Right - b.Right) <= 1 &&
                       std::abs(a.Bottom - b.Bottom) <= 1;
    const bool ok = boxes && best <= budget;
    std::printf(
        "at %d,%d ink box ours %d,%d-%d,%d theirs %d,%d-%d,%d; unmatched %d of %d, budget %d: %s\n",
        bx, by, a.Left, a.Top, a.Right, a.Bottom, b.Left, b.Top, b.Right, b.Bottom, best, a.Count,
        budget, ok ? "ok" : "FAIL");
    if (diff) WriteDiff(diff, a, b);
    return ok ? 0 : 1;
}
