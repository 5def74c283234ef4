// The test's own folder under /tmp.
#include "temp_folder.h"

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace nerovan {

TempFolder::TempFolder(const std::string& kind) {
    std::string name = "/tmp/nerovan-" + kind + "-XXXXXX";
    if (!mkdtemp(name.data())) throw std::runtime_error("Cannot make a folder " + name);
    path_ = name;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(path_.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace nerovan
