// The batch renderer: one job per line of a file ("EXPRESSION" or
// "NAME<TAB>EXPRESSION"), painted on --jobs threads, each with a component
// of its own; the fonts are resolved once for all of them. Every job's
// picture is made exactly as a single renderer call makes it, so the bytes
// do not depend on the number of threads, and everything printed follows
// the order of the input lines.
#include "batch.h"

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "atomic_file.h"
#include "code_pages.h"
#include "component.h"
#include "errors.h"
#include "formula_picture.h"
#include "utf16.h"

namespace nerovan {

namespace {

constexpr int kExitFailedLines = 1;
constexpr int kExitUsage = 2;
// Pictures up to this many bytes keep their memory for the next job.
constexpr int kHeldPictureBytes = 32 << 20;

struct Job {
    int Line = 0;            // 1-based line of the input
    std::string Name;        // the file's name without extension
    std::string Expression;  // UTF-8, as given
    std::string File;        // out-dir/NAME.EXT
    std::string Error;       // set before rendering when the line is refused
};

struct Outcome {
    bool Done = false;
    std::string Error;  // UTF-8; empty when the picture is in place
    long long Width = 0, Height = 0;
    double Baseline = 0;
};

const char* Extension(PictureKind kind) {
    switch (kind) {
        case PictureKind::Png: return ".png";
        case PictureKind::Svg: return ".svg";
        case PictureKind::Pdf: return ".pdf";
        case PictureKind::Emf: return ".emf";
        case PictureKind::Bmp: return ".bmp";
        case PictureKind::Jpeg: return ".jpg";
        case PictureKind::Gif: return ".gif";
    }
    return ".png";
}

// Why NAME cannot name a picture inside the output folder; empty when it can.
std::string NameRefusal(const std::string& name) {
    if (name.empty()) return "the name before the tab is empty";
    if (name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return "the name \"" + name + "\" would leave the output folder";
    return {};
}

// Bytes meant as UTF-8 with every byte that starts no well-formed sequence
// replaced by U+FFFD, so the manifest stays UTF-8 whatever the input held.
std::string WellFormed(const std::string& s) {
    std::vector<uint16_t> units;
    AppendUtf16(units, s);
    return Utf16ToUtf8(units, 0, units.size());
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const unsigned char c : WellFormed(s)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::vector<Job> ReadJobs(const std::string& text, const std::string& out_dir, PictureKind kind) {
    std::vector<Job> jobs;
    std::map<std::string, int> files;  // file name -> the line that writes it
    size_t pos = 0;
    int line = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string row = text.substr(pos, end - pos);
        pos = end + 1;
        ++line;
        if (line == 1 && row.compare(0, 3, "\xEF\xBB\xBF") == 0) row.erase(0, 3);
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.empty() || row[0] == '#') continue;
        Job job;
        job.Line = line;
        const size_t tab = row.find('\t');
        if (tab == std::string::npos) {
            job.Name = std::to_string(line);
            job.Expression = row;
        } else {
            job.Name = row.substr(0, tab);
            job.Expression = row.substr(tab + 1);
            job.Error = NameRefusal(job.Name);
        }
        if (job.Error.empty()) {
            const std::string file = job.Name + Extension(kind);
            job.File = out_dir + "/" + file;
            const auto [it, fresh] = files.emplace(file, line);
            if (!fresh)
                job.Error = "\"" + file + "\" is written by line " + std::to_string(it->second) +
                            " already";
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

// Whether the file holds exactly these bytes.
bool SameBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) != bytes.size())
        return false;
    try {
        FileReader file(path, true);
        std::vector<char> held(bytes.size() + 1);
        size_t got = 0;
        while (got < held.size()) {
            const size_t n = file.Read(held.data() + got, held.size() - got);
            if (n == 0) break;
            got += n;
        }
        return got == bytes.size() && std::memcmp(held.data(), bytes.data(), got) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

// Paints the job with the thread's component: it keeps its canvas and the
// glyphs that canvas has drawn from one job to the next.
void Render(const RenderOptions& o, PictureKind kind, const Job& job, TNerovan& component,
            Outcome& out) {
    const PictureOptions picture{o.Scale, o.Transparent};
    try {
        ApplyRenderOptions(o, component);
        std::string bad;
        if (!Utf8ToCp1251(job.Expression, component.Expression, bad)) {
            out.Error = "the expression holds " + bad + ", which Windows-1251 cannot hold";
            return;
        }
        component.EMFPaint = PaintsFromMetafile(kind, picture);
        component.Paint();
        const std::vector<uint8_t> bytes = EncodeFormulaPicture(component, kind, picture);
        out.Width = PictureWidth(component, picture);
        out.Height = PictureHeight(component, picture);
        out.Baseline = PictureBaseline(component) * o.Scale;
        if (!(o.KeepUnchanged && SameBytes(job.File, bytes)))
            WriteFileAtomic(job.File, bytes.data(), bytes.size(), AtomicWrite::Batch);
    } catch (const std::exception& e) {
        out.Error = UserMessage(e);
    }
}

std::string ManifestLine(const Job& job, const Outcome& out) {
    std::string s = "{\"line\":" + std::to_string(job.Line) + ",\"name\":" + JsonString(job.Name);
    if (out.Error.empty()) {
        s += ",\"file\":" + JsonString(job.File) + ",\"width\":" + std::to_string(out.Width) +
             ",\"height\":" + std::to_string(out.Height) +
             ",\"ascent\":" + PixelText(out.Baseline) +
             ",\"depth\":" + PixelText(out.Height - out.Baseline);
    } else {
        s += ",\"file\":null";
    }
    s += ",\"expression\":" + JsonString(job.Expression);
    if (!out.Error.empty()) s += ",\"error\":" + JsonString(out.Error);
    return s + "}\n";
}

// Makes the folder and the folders above it that are missing.
bool MakeFolders(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0) {
            if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
                error = "cannot make the folder \"" + folder + "\": " + std::strerror(errno);
                return false;
            }
        } else if (!S_ISDIR(st.st_mode)) {
            error = "\"" + folder + "\" is not a folder";
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

int Fail(const std::string& message) {
    std::cerr << "nerovan-render: " << message << "\n";
    return kExitUsage;
}

}  // namespace

int RunBatch(const RenderOptions& o) {
    // Every job allocates and frees a picture's pixels. Above glibc's
    // default threshold each would be a fresh mapping whose pages fault in
    // one by one; kept in the heap, the next job reuses them.
    mallopt(M_MMAP_THRESHOLD, kHeldPictureBytes);
    mallopt(M_TRIM_THRESHOLD, 2 * kHeldPictureBytes);
    PictureKind kind = PictureKind::Png;
    if (!o.Format.empty()) PictureKindFromName(o.Format, kind);
    const std::string refusal = PictureRefusal(kind, PictureOptions{o.Scale, o.Transparent});
    if (!refusal.empty()) return Fail(refusal);

    std::string text;
    if (o.Batch == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) return Fail("cannot read the jobs from standard input");
    } else {
        try {
            text = ReadFileBytes(o.Batch);
        } catch (const std::exception& e) {
            return Fail(UserMessage(e));
        }
    }
    std::string out_dir = o.OutDir;
    while (out_dir.size() > 1 && out_dir.back() == '/') out_dir.pop_back();
    std::string error;
    if (!MakeFolders(out_dir, error)) return Fail(error);
    RemoveStaleTemporaryFiles(out_dir);

    const std::vector<Job> jobs = ReadJobs(text, out_dir, kind);
    std::vector<Outcome> outcomes(jobs.size());
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<size_t> next{0};
    auto work = [&]() {
        std::unique_ptr<TNerovan> component;
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            Outcome out;
            out.Error = jobs[i].Error;
            try {
                if (!component) component = std::make_unique<TNerovan>();
            } catch (const std::exception& e) {
                if (out.Error.empty()) out.Error = UserMessage(e);
            }
            if (out.Error.empty()) Render(o, kind, jobs[i], *component, out);
            std::lock_guard<std::mutex> lock(mutex);
            out.Done = true;
            outcomes[i] = std::move(out);
            done.notify_all();
        }
    };
    int threads = o.Jobs > 0 ? o.Jobs : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp<int>(threads, 1, std::max<int>(1, static_cast<int>(jobs.size())));
    threads = std::min(threads, kMaxBatchJobs);
    std::vector<std::thread> workers;
    try {
        for (int t = 0; t < threads; ++t) workers.emplace_back(work);
    } catch (const std::exception& e) {
        // Fewer threads than asked for still do every job.
        if (workers.empty()) {
            next = jobs.size();
            return Fail(UserMessage(e));
        }
    }

    // Reports and manifest lines in the order of the input, as jobs finish.
    std::string manifest;
    bool failed = false;
    for (size_t i = 0; i < jobs.size(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return outcomes[i].Done; });
        const Outcome& out = outcomes[i];
        lock.unlock();
        if (!out.Error.empty()) {
            failed = true;
            std::cerr << "nerovan-render: line " << jobs[i].Line << ": " << out.Error << "\n";
        }
        if (!o.Manifest.empty()) manifest += ManifestLine(jobs[i], out);
    }
    for (std::thread& t : workers) t.join();

    int status = failed ? kExitFailedLines : 0;
    try {
        SyncFileSystem(out_dir);
    } catch (const std::exception& e) {
        status = Fail(UserMessage(e));
    }
    if (o.Manifest == "-") {
        std::cout << manifest << std::flush;
        if (!std::cout.good()) status = Fail("cannot write to standard output");
    } else if (!o.Manifest.empty()) {
        try {
            const std::vector<uint8_t> bytes(manifest.begin(), manifest.end());
            if (!(o.KeepUnchanged && SameBytes(o.Manifest, bytes)))
                WriteFileAtomic(o.Manifest, manifest.data(), manifest.size());
        } catch (const std::exception& e) {
            status = Fail(UserMessage(e));
        }
    }
    return status;
}

}  // namespace nerovan
