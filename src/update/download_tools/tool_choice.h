// Which command-line downloader beside the program the update uses.
#pragma once

#include <string>

namespace tesselon {

enum class DownloadTool { None, Wget, Xh, Aria2 };

// The first tool present in the program folder, in the order wget.dat, xh.dat,
// aria2.dat. A tool file counts only when it is larger than 100 bytes.
DownloadTool chooseDownloadTool(const std::string& programFolder);

const char* toolFileName(DownloadTool tool);

}  // namespace tesselon
