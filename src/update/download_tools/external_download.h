// Downloads through a command-line tool beside the program (wget.dat, xh.dat or
// aria2.dat) instead of the built-in HTTP service, for the update check of a user who
// asked for it. The windows stay alive while a tool runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "update/vendor_hosts.h"

namespace tesselon {

class Frontend;

struct ToolDownloadContext {
    std::string programFolder;  // ending with "/"
    Frontend& frontend;
    VendorHosts hosts;  // where a missing tool can be fetched
    // Asked between reads of the tool's output; true abandons the download (the tool
    // is left to end by itself).
    std::function<bool()> stopRequested;
};

struct ToolDownloadResult {
    // File mode: "OK" when the file arrived whole. Text mode: the file's first line,
    // after which the file is deleted (aria2's is kept). Empty on any failure.
    std::string text;
    // No tool was found and the user chose to fetch one: the program must end now.
    bool endProgram = false;
};

// Fetches `url` (http or https only) into `localPath` with the first tool present.
// With `maxBytes` of 0 or more, a body longer than that fails the download as it
// arrives: wget and aria2 run under a file-size limit that the kernel holds them to,
// and xh's output is counted as it is read; the file never grows past the bound.
ToolDownloadResult externalDownload(const ToolDownloadContext& context, const std::string& url,
                                    const std::string& localPath, bool textMode, int64_t maxBytes = -1);

}  // namespace tesselon
