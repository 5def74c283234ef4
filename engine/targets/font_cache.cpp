// The cache file of resolved fonts: a header line, the stamps as text lines,
// then the faces and tables as length-prefixed fields. Every field is
// bounds-checked on reading: a file cut short or altered is not used.
#include "font_cache.h"

#include <cairo.h>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace nerovan {

namespace {

constexpr char kMagic[] = "nerovan-fonts 1\n";

// The variables fontconfig reads, and the locale that picks its languages.
const char* const kVariables[] = {
    "FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "FC_LANG", "HOME",
    "XDG_CONFIG_HOME", "XDG_DATA_HOME",   "XDG_DATA_DIRS",      "LANG",    "LC_ALL",
    "LC_CTYPE",        "LANGUAGE"};

// The library file that holds the code at addr; empty when the program
// itself holds it (linked with the library's static archive), whose own stamp
// then covers it: dladdr names the program by argv[0], which may be relative.
std::string LibraryOf(const void* addr) {
    Dl_info info{}, self{};
    if (dladdr(addr, &info) == 0 || !info.dli_fname) return "?";
    if (dladdr(reinterpret_cast<const void*>(&LibraryOf), &self) != 0 &&
        info.dli_fbase == self.dli_fbase)
        return "";
    return info.dli_fname;
}

void PutNumber(std::string& out, uint64_t v) { out.append(reinterpret_cast<const char*>(&v), 8); }
void PutField(std::string& out, const std::string& s) {
    PutNumber(out, s.size());
    out += s;
}

class Reader {
public:
    explicit Reader(const std::string& bytes, size_t at) : bytes_(bytes), at_(at) {}
    bool Number(uint64_t& v) {
        if (bytes_.size() - at_ < 8) return false;
        std::memcpy(&v, bytes_.data() + at_, 8);
        at_ += 8;
        return true;
    }
    bool Field(std::string& s) {
        uint64_t n = 0;
        if (!Number(n) || n > bytes_.size() - at_) return false;
        s.assign(bytes_, at_, n);
        at_ += n;
        return true;
    }
    bool Key(FaceKey& key) {
        uint64_t bold = 0, italic = 0;
        if (!Field(std::get<0>(key)) || !Number(bold) || !Number(italic)) return false;
        std::get<1>(key) = bold != 0;
        std::get<2>(key) = italic != 0;
        return true;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    const std::string& bytes_;
    size_t at_;
};

void PutKey(std::string& out, const FaceKey& key) {
    PutField(out, std::get<0>(key));
    PutNumber(out, std::get<1>(key));
    PutNumber(out, std::get<2>(key));
}

void AddPath(std::vector<std::string>& stamps, const std::string& path) {
    stamps.push_back(path + "\t" + PathStamp(path));
}

}  // namespace

std::string PathStamp(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "-";
    return std::to_string(st.st_mode & S_IFMT) + " " + std::to_string(st.st_dev) + " " +
           std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + " " +
           std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
}

std::vector<std::string> CurrentStamps(const std::vector<std::string>& font_files) {
    std::vector<std::string> stamps;
    for (const char* name : kVariables) {
        const char* value = std::getenv(name);
        stamps.push_back(std::string("$") + name + "\t" + (value ? "=" + std::string(value) : "-"));
    }
    stamps.push_back("$versions\t" + std::to_string(FcGetVersion()) + " " +
                     std::to_string(cairo_version()));
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    AddPath(stamps, n > 0 ? std::string(self, static_cast<size_t>(n)) : "/proc/self/exe");
    for (const void* code :
         {reinterpret_cast<const void*>(&FcInit), reinterpret_cast<const void*>(&cairo_create)})
        if (const std::string library = LibraryOf(code); !library.empty()) AddPath(stamps, library);
    for (const std::string& file : font_files) AddPath(stamps, file);
    // Every configuration file read, with its folder (a file added there
    // changes the folder), the font folders, and the places of the user's
    // own configuration and fonts, present or not.
    auto add_list = [&](FcStrList* list, bool with_folder) {
        if (!list) return;
        while (FcChar8* item = FcStrListNext(list)) {
            const std::string path = reinterpret_cast<const char*>(item);
            AddPath(stamps, path);
            const size_t slash = path.rfind('/');
            if (with_folder && slash != std::string::npos && slash > 0)
                AddPath(stamps, path.substr(0, slash));
        }
        FcStrListDone(list);
    };
    add_list(FcConfigGetConfigFiles(nullptr), true);
    add_list(FcConfigGetConfigDirs(nullptr), false);
    add_list(FcConfigGetFontDirs(nullptr), false);
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string h = home ? home : "";
    const std::string config_home = config && *config ? config : h + "/.config";
    const std::string data_home = data && *data ? data : h + "/.local/share";
    for (const std::string& path :
         {config_home, config_home + "/fontconfig", config_home + "/fontconfig/fonts.conf",
          config_home + "/fontconfig/conf.d", h + "/.fonts.conf", h + "/.fonts.conf.d",
          h + "/.fonts", data_home + "/fonts"})
        AddPath(stamps, path);
    return stamps;
}

bool StampsHold(const std::vector<std::string>& stamps) {
    for (const std::string& line : stamps) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) return false;
        const std::string what = line.substr(0, tab), state = line.substr(tab + 1);
        if (what[0] == '$') {
            if (what == "$versions") {
                if (state != std::to_string(FcGetVersion()) + " " + std::to_string(cairo_version()))
                    return false;
                continue;
            }
            const char* value = std::getenv(what.c_str() + 1);
            if (state != (value ? "=" + std::string(value) : "-")) return false;
            continue;
        }
        if (PathStamp(what) != state) return false;
    }
    return true;
}

std::string EncodeResolved(const ResolvedFonts& fonts, size_t table_size) {
    std::string out = kMagic;
    for (const std::string& line : fonts.Stamps) out += line + "\n";
    out += "\n";
    PutNumber(out, table_size);
    PutNumber(out, fonts.Patterns.size());
    for (const auto& [key, pattern] : fonts.Patterns) {
        PutKey(out, key);
        PutField(out, pattern);
    }
    PutNumber(out, fonts.Tables.size());
    for (const auto& [key, table] : fonts.Tables) {
        PutKey(out, {std::get<0>(key), std::get<1>(key), std::get<2>(key)});
        PutNumber(out, static_cast<uint64_t>(std::get<3>(key)));
        PutNumber(out, static_cast<uint64_t>(static_cast<int64_t>(std::get<4>(key))));
        PutField(out, table);
    }
    return out;
}

bool DecodeResolved(const std::string& bytes, size_t table_size, ResolvedFonts& fonts) {
    fonts = ResolvedFonts{};
    if (bytes.compare(0, std::strlen(kMagic), kMagic) != 0) return false;
    size_t at = std::strlen(kMagic);
    for (;;) {
        const size_t end = bytes.find('\n', at);
        if (end == std::string::npos) return false;
        if (end == at) break;
        fonts.Stamps.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    Reader r(bytes, at + 1);
    uint64_t size = 0, count = 0;
    if (!r.Number(size) || size != table_size || !r.Number(count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        FaceKey key;
        std::string pattern;
        if (!r.Key(key) || !r.Field(pattern)) return false;
        fonts.Patterns[key] = pattern;
    }
    if (!r.Number(count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        FaceKey face;
        uint64_t em = 0, charset = 0;
        std::string table;
        if (!r.Key(face) || !r.Number(em) || !r.Number(charset) || !r.Field(table) ||
            table.size() != table_size || em > 1000000 ||
            (static_cast<int64_t>(charset) < -1 || static_cast<int64_t>(charset) > 255))
            return false;
        fonts.Tables[{std::get<0>(face), std::get<1>(face), std::get<2>(face), static_cast<int>(em),
                      static_cast<int>(static_cast<int64_t>(charset))}] = table;
    }
    return r.AtEnd();
}

}  // namespace nerovan
