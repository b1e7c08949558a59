// The parts of a remote operation, taken from the program's state as both front ends
// keep it: the front end, the session table, the trust inputs (the terminal's --ca-file,
// --pin-sha256 and --host-key hold for its run alone) and the cancel token.
#pragma once

#include "sources/remote_context.h"

namespace tesselon {

struct AppState;

RemoteContext remoteContextOf(AppState& state);

}  // namespace tesselon
