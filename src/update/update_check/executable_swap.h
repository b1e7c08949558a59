// Putting a new executable in the place of the running one.
#pragma once

#include <string>

namespace tesselon {

// Keeps the current executable as `keptOldPath` (deleteme.now) and renames `newFile`
// over `executablePath` in one step, so a runnable program stands at the path at every
// moment. The new file gets the old one's execute permission bits. False when the
// swap could not be made; the old executable is then still in place and `newFile` is
// left for the caller.
bool swapExecutable(const std::string& newFile, const std::string& executablePath, const std::string& keptOldPath);

}  // namespace tesselon
