// Where the program keeps its own files (default.cfg, HayConsentimiento.dat,
// usarWget.txt, the download tools, _FTPimg/): beside the executable, as a copy
// unpacked anywhere expects, or in a per-user folder when the executable's folder is
// not writable, as for a program installed in /usr/bin.
#pragma once

#include <string>

namespace tesselon {

struct ProgramFolderChoice {
    std::string folder;                    // ending with "/"
    bool executableFolderWritable = true;  // false: `folder` is the per-user folder
};

// The per-user folder that stands in for a read-only executable folder:
// $XDG_CONFIG_HOME/tesselon/, by default ~/.config/tesselon/.
std::string perUserProgramFolder();

// Decides without creating anything; `executableFolder` ends with "/".
ProgramFolderChoice chooseProgramFolder(const std::string& executableFolder);

// chooseProgramFolder, then the per-user folder is created (mode 0700) when it is the
// one chosen and does not exist yet. A folder that cannot be created is still the one
// chosen: writes there fail the way they would in a read-only executable folder.
ProgramFolderChoice prepareProgramFolder(const std::string& executableFolder);

}  // namespace tesselon
