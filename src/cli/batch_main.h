// tesselon-batch: the engine driven from a terminal.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tesselon {

// Runs the program with the arguments after the program name. `programFolder` is the
// executable's folder in real use: default.cfg is looked up there, or in the per-user
// folder when it is not writable (program_folder.h). Returns the exit code:
// 0 success, 1 a file could not be written, 2 usage error.
int runBatchCli(const std::vector<std::string>& args, const std::string& programFolder,
                std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace tesselon
