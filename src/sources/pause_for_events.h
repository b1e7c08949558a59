// Waiting on a worker thread while the windows stay alive.
#pragma once

namespace tesselon {

class Frontend;

// waitPumpingEvents for `ms`, and a sleep for whatever part of it a front end without
// windows (which returns at once) did not wait, so polling loops never spin a core.
void pauseForEvents(Frontend& ui, double ms);

}  // namespace tesselon
