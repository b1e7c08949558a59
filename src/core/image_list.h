// The ordered list of source images that the last scan produced, with a cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tesselon {

inline constexpr int64_t kUnknownTime = INT64_MIN;

struct SourceImageEntry {
    std::string path;         // local: source folder + relative path; remote: full remote path
    int64_t size = 0;         // bytes
    std::string overlayText;  // text drawn on it by the last batch
    int8_t saved = 0;         // 1 once the last batch wrote its output
    std::string outputPath;   // destination computed by the last batch
    // remote: the server's modification time, seconds since 1970 (UTC); kUnknownTime when
    // the server did not tell it
    int64_t modified = kUnknownTime;
    // remote: the server listed it as a link, a device, a FIFO or a socket; it is never
    // fetched
    bool notRegularFile = false;
};

struct SourceImageList {
    std::vector<SourceImageEntry> entries;
    size_t current = 0;  // cursor; meaningful only while entries is not empty
    // The source the scan read, as the user would name it (a local folder, or an FTP
    // server and folder); empty when unknown. The settings may name another one since.
    std::string origin;

    bool empty() const { return entries.empty(); }
    size_t size() const { return entries.size(); }
    void clear() {
        entries.clear();
        current = 0;
        origin.clear();
    }
};

}  // namespace tesselon
