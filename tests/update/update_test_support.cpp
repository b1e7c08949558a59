#include "update_test_support.h"

#include <filesystem>

#include "support/test_paths.h"

namespace tesselon::testing {

bool installTool(const TempDir& folder, const std::string& toolName) {
    std::string source;
    if (toolName == "wget.dat") source = "/usr/bin/wget";
    if (toolName == "aria2.dat") source = "/usr/bin/aria2c";
    if (toolName == "xh.dat") source = sourceDir() + "tests/update/xh_standin.py";
    std::error_code error;
    std::filesystem::copy_file(source, folder.file(toolName), std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}

}  // namespace tesselon::testing
