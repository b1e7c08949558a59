// The vendor's version file: "#"-separated fields per line. The first line carries
// the keyword VERSION and the online build stamp; every line, the first included,
// names a file of the build (the first one being the new executable), the URL folder
// it is fetched from, the subfolder of the program folder it goes to and its SHA-256 in
// lower-case hex, without which the file is not installed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesselon {

struct UpdateFileLine {
    std::string name;       // field 3
    std::string urlFolder;  // field 4, ending with "/"
    std::string subfolder;  // field 5, may be empty
    std::string sha256;     // field 6 in lower case; empty when the line has none

    std::string url() const { return urlFolder + name; }
};

struct VersionFile {
    std::string onlineStamp;  // the local stamp when the text does not start with VERSION
    std::vector<UpdateFileLine> lines;
};

// Line breaks of any kind made single CRs, blank lines dropped, trailing breaks and
// outer spaces removed.
std::string normaliseVersionText(std::string_view text);

VersionFile parseVersionFile(std::string_view text, std::string_view localStamp);

// Stamps are compared as 64-bit decimal numbers; text that is no number counts as 0.
bool isNewerBuild(std::string_view onlineStamp, std::string_view localStamp);

// Where a line's file is stored: the program folder (ending with "/"), the subfolder
// and the name. Nothing when the line would reach outside the program folder (a name
// with a separator, "." or "..", a subfolder climbing up) or names no file.
std::optional<std::string> localPathFor(const std::string& programFolder, const UpdateFileLine& line);

}  // namespace tesselon
