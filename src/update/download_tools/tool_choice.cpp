#include "update/download_tools/tool_choice.h"

#include "runtime/fs/file_system.h"

namespace tesselon {

namespace {
// Smaller files are placeholders, not programs.
constexpr int64_t kLargestPlaceholder = 100;
}  // namespace

DownloadTool chooseDownloadTool(const std::string& programFolder) {
    for (DownloadTool tool : {DownloadTool::Wget, DownloadTool::Xh, DownloadTool::Aria2}) {
        if (fileSize(programFolder + toolFileName(tool)) > kLargestPlaceholder) return tool;
    }
    return DownloadTool::None;
}

const char* toolFileName(DownloadTool tool) {
    switch (tool) {
    case DownloadTool::Wget: return "wget.dat";
    case DownloadTool::Xh: return "xh.dat";
    case DownloadTool::Aria2: return "aria2.dat";
    case DownloadTool::None: break;
    }
    return "";
}

}  // namespace tesselon
