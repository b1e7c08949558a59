// A fresh folder under $TMPDIR for one test, removed with everything in it at the end.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tesselon::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with "/".
    const std::string& path() const { return path_; }
    // path() + name.
    std::string file(std::string_view name) const { return path_ + std::string(name); }
    // Writes bytes to path() + name, creating parent folders; returns the full path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

// Reads a whole file; empty when missing.
std::string readFile(const std::string& path);

// Every regular file below `folder` (ending with "/"): path relative to it -> content.
// Empty when the folder does not exist.
std::map<std::string, std::string> filesUnder(const std::string& folder);

}  // namespace tesselon::testing
