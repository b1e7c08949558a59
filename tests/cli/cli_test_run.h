// Running tesselon-batch in-process with its output and errors captured.
#pragma once

#include <string>
#include <vector>

namespace tesselon::testing {

struct CliCapture {
    int code = -1;
    std::string out;
    std::string err;
};

// runBatchCli with `programFolder` as the executable's folder.
CliCapture runCli(const std::vector<std::string>& args, const std::string& programFolder);

}  // namespace tesselon::testing
