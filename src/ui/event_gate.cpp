#include "ui/event_gate.h"

#include <algorithm>

namespace tesselon {

void EventGate::keep(const WindowEvent& event) {
    std::erase_if(kept_, [&](const WindowEvent& e) {
        return e.type == event.type && e.control == event.control && e.kind == event.kind;
    });
    kept_.push_back(event);
}

std::optional<WindowEvent> EventGate::takeKept() {
    if (kept_.empty()) return std::nullopt;
    WindowEvent event = kept_.front();
    kept_.pop_front();
    return event;
}

}  // namespace tesselon
