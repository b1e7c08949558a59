// Whether a window's control events reach its event handler. While a long operation
// pumps events, the events it reads are consumed and lost instead: only the immediate
// callbacks, connected to their controls directly, act meanwhile.
#pragma once

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

    bool suspended() const { return depth_ > 0; }
    void suspend() { ++depth_; }
    void resume() {
        if (depth_ > 0) --depth_;
    }

private:
    int depth_ = 0;
};

}  // namespace tesselon
