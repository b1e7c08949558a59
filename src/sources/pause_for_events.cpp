#include "sources/pause_for_events.h"

#include <chrono>
#include <thread>

#include "core/frontend.h"

namespace tesselon {

void pauseForEvents(Frontend& ui, double ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
    ui.waitPumpingEvents(ms);
    std::this_thread::sleep_until(until);
}

}  // namespace tesselon
