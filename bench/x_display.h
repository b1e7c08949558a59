// A second client of the X server that a program's windows are on, which sees them and
// uses them as the user does: windows found by their title once the server maps them,
// pixels read from the screen, clicks and keys sent through the XTEST extension. The
// times it gives are when the server told this client, never a signal of the program.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tesselon::bench {

using Clock = std::chrono::steady_clock;

struct Mapped {
    Window window = 0;  // the client window bearing the title
    Clock::time_point at;
};

class XDisplay {
public:
    // The display $DISPLAY names; valid() is false when it cannot be opened or lacks XTEST.
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;
    bool valid() const { return display_ != nullptr && xtest_; }

    // A viewable top-level window of exactly this title, now.
    std::optional<Window> findViewable(const std::string& title);
    // The titles of the viewable top-level windows, for a report of what went wrong.
    std::vector<std::string> viewableTitles();
    // Waits (polling the tree) until a window of the title is viewable.
    std::optional<Window> waitViewable(const std::string& title, std::chrono::milliseconds limit);
    // Waits until no window of the title is viewable.
    bool waitGone(const std::string& title, std::chrono::milliseconds limit);

    // Forgets the mapping events so far; waitMapped then answers only what maps later.
    void drainEvents();
    // The first window mapped from now on whose title is one of `titles` (or that holds
    // a window of such a title, as a window manager's frame does), and when the server
    // reported its mapping.
    std::optional<Mapped> waitMapped(const std::vector<std::string>& titles, std::chrono::milliseconds limit);

    // Where the window's client area begins on the screen.
    std::optional<std::pair<int, int>> originOf(Window window);
    // The colour at client coordinates (x, y) of the window, as 0xRRGGBB.
    std::optional<uint32_t> pixel(Window window, int x, int y);

    // The pointer moved to the screen point; then a left click there, sent at once.
    void moveTo(int x, int y);
    void click();
    // The window given the keyboard focus, then the key pressed and released.
    void pressKey(Window window, const char* keyName);

private:
    std::string titleOf(Window window);
    bool holdsTitle(Window window, const std::vector<std::string>& titles, int depth);

    Display* display_ = nullptr;
    bool xtest_ = false;
    Atom netWmName_ = 0;
    Atom utf8_ = 0;
};

}  // namespace tesselon::bench
