// What a start decides of the program's folder and defaults (engine/program_setup.h).
#pragma once

#include <cstdint>
#include <string>

namespace tesselon {

struct ProgramStart {
    std::string programFolder;  // ends with "/"
    bool executableFolderReadOnly = false;
    std::string settingsFilePath;
    int8_t useExternalDownloader = 0;
    std::string defaultWatermarkText;
};

}  // namespace tesselon
