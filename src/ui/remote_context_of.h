// The desktop's parts of a remote operation, taken from the program's state: its front
// end (whose Cancelar raises the token), the session table and the trust inputs.
#pragma once

#include "sources/remote_context.h"

namespace tesselon {

struct AppState;

RemoteContext remoteContextOf(AppState& state);

}  // namespace tesselon
