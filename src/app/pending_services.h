// Start-up and event steps whose services the program does not have yet. Each is
// called where the start sequence or the window needs it, so that adding the service
// means filling in its body.
#pragma once

#include <functional>

namespace tesselon {

struct AppState;

// NOT BUILT YET: sends the one usage-statistics request of this start from a thread of
// its own. No request is sent until the statistics service exists.
void startUsageStatistics(AppState& state);

// NOT BUILT YET: the online check for a newer build, run after the first settings load
// of a start without parameters. True when the program must end (it replaced itself).
// Until the update service exists it checks nothing and answers false.
bool runUpdateCheck(AppState& state);

}  // namespace tesselon
