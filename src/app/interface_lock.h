// The lock that a prepared start puts on the controls, so that the user can run the
// prepared job but not change where it reads, writes or what it writes.
#pragma once

#include <cstdint>
#include <vector>

namespace tesselon {

class ControlRegistry;

// Load and save settings, source path and chooser, destination and chooser, the output
// format options ("original" and one per format), subfolders and overwrite, in the order
// they are switched.
const std::vector<int>& lockedControls();

// Any value but 0 disables them; 0 enables them.
void applyInterfaceLock(ControlRegistry& controls, int8_t locked);

}  // namespace tesselon
