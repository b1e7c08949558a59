// The argument vectors the downloaders are started with. Each program is started from
// the program folder by its full path, with every argument as one element, so a path
// or URL with blanks or quotes stays one argument and nothing passes through a shell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tesselon {

// wget -v -o - -O <file> <url>: the log, with its percentages, on standard output.
std::vector<std::string> wgetArguments(const std::string& programFolder, const std::string& localPath,
                                       const std::string& url);
// aria2 --file-allocation=none --allow-overwrite -d <folder> -o <name> <url>.
std::vector<std::string> aria2Arguments(const std::string& programFolder, const std::string& localPath,
                                        const std::string& url);
// xh --headers <url>, which prints the answer's headers, then xh --download <url>,
// which sends the body to standard output.
std::vector<std::string> xhHeadersArguments(const std::string& programFolder, const std::string& url);
std::vector<std::string> xhDownloadArguments(const std::string& programFolder, const std::string& url);

// The same command run under a file-size limit of `maxBytes` (util-linux's prlimit), so
// the kernel stops the tool at the first byte past it, whatever the tool believes the
// file's size to be; unchanged when `maxBytes` is negative.
std::vector<std::string> boundFileSize(std::vector<std::string> arguments, int64_t maxBytes);

}  // namespace tesselon
