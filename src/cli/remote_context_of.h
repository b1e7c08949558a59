// The terminal's parts of a remote operation, taken from the program's state: its
// current front end, the session table and the trust inputs of the command line.
#pragma once

#include "sources/remote_context.h"

namespace tesselon {

struct AppState;

RemoteContext terminalRemoteContext(AppState& state);

}  // namespace tesselon
