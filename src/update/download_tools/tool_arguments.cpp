#include "update/download_tools/tool_arguments.h"

#include <algorithm>

#include "runtime/fs/paths.h"

namespace tesselon {

namespace {

std::string forwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace

std::vector<std::string> wgetArguments(const std::string& programFolder, const std::string& localPath,
                                       const std::string& url) {
    return {programFolder + "wget.dat", "-v", "-o", "-", "-O", localPath, url};
}

std::vector<std::string> aria2Arguments(const std::string& programFolder, const std::string& localPath,
                                        const std::string& url) {
    return {programFolder + "aria2.dat", "--file-allocation=none", "--allow-overwrite",
            "-d", forwardSlashes(pathPart(localPath)), "-o", filePart(localPath), url};
}

std::vector<std::string> xhHeadersArguments(const std::string& programFolder, const std::string& url) {
    return {programFolder + "xh.dat", "--headers", url};
}

std::vector<std::string> xhDownloadArguments(const std::string& programFolder, const std::string& url) {
    return {programFolder + "xh.dat", "--download", url};
}

std::vector<std::string> boundFileSize(std::vector<std::string> arguments, int64_t maxBytes) {
    if (maxBytes < 0) return arguments;
    arguments.insert(arguments.begin(), {"prlimit", "--fsize=" + std::to_string(maxBytes), "--"});
    return arguments;
}

}  // namespace tesselon
