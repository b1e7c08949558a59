// Whether a window's control events reach its event handler. While a long operation
// pumps events, the events it reads are consumed and lost instead: only the immediate
// callbacks, connected to their controls directly, act meanwhile. A preview refresh is
// the exception: what the user does while it runs is kept and acts when it is over.
#pragma once

#include <deque>
#include <optional>

#include "ui/control_types.h"

namespace tesselon {

class EventGate {
public:
    // Holds the gate shut for its lifetime; suspensions nest.
    class Suspension {
    public:
        explicit Suspension(EventGate& gate) : gate_(&gate) { gate_->suspend(); }
        ~Suspension() { gate_->resume(); }
        Suspension(const Suspension&) = delete;
        Suspension& operator=(const Suspension&) = delete;

    private:
        EventGate* gate_;
    };

    // Held for the length of a preview refresh: events that meet the shut gate meanwhile
    // are kept rather than dropped.
    class Deferral {
    public:
        explicit Deferral(EventGate& gate) : gate_(&gate) { ++gate_->deferring_; }
        ~Deferral() { --gate_->deferring_; }
        Deferral(const Deferral&) = delete;
        Deferral& operator=(const Deferral&) = delete;

    private:
        EventGate* gate_;
    };

    bool suspended() const { return depth_ > 0; }
    void suspend() { ++depth_; }
    void resume() {
        if (depth_ > 0) --depth_;
    }

    bool deferring() const { return deferring_ > 0; }
    // Keeps an event for later. The same event of the same control kept before is
    // dropped for it: the handler reads the control's value when it acts, so the last
    // change (or click) says everything, and a button clicked twice acts once.
    void keep(const WindowEvent& event);
    // The kept events, oldest first.
    std::optional<WindowEvent> takeKept();

private:
    int depth_ = 0;
    int deferring_ = 0;
    std::deque<WindowEvent> kept_;
};

}  // namespace tesselon
