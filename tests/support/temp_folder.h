// A fresh folder under /tmp for the files one test writes, removed with all
// it holds when the test is done (also when a check stopped it half-way).
#pragma once

#include <string>
#include <vector>

namespace nerovan {

class TempFolder {
public:
    // Makes /tmp/nerovan-<kind>-XXXXXX; throws std::runtime_error when it cannot.
    explicit TempFolder(const std::string& kind);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The names of the entries in the folder (no "." or ".."), sorted.
    std::vector<std::string> Entries() const;

private:
    std::string path_;
};

}  // namespace nerovan
