#include "x_display.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <algorithm>
#include <thread>

namespace tesselon::bench {

namespace {

// Children of `window`, top-most last.
std::vector<Window> childrenOf(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
        out.assign(children, children + count);
        XFree(children);
    }
    return out;
}

// Windows vanish between a query and the next request; such errors are no failure here.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XDisplay::XDisplay() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    XSetErrorHandler(ignoreErrors);
    int event = 0, error = 0, major = 0, minor = 0;
    xtest_ = XTestQueryExtension(display_, &event, &error, &major, &minor);
    netWmName_ = XInternAtom(display_, "_NET_WM_NAME", False);
    utf8_ = XInternAtom(display_, "UTF8_STRING", False);
    // Top-level windows (or their frames) mapped from now on.
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
}

XDisplay::~XDisplay() {
    if (display_) XCloseDisplay(display_);
}

std::string XDisplay::titleOf(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(display_, window, netWmName_, 0, 1024, False, utf8_, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        if (type == utf8_ && format == 8) out.assign(reinterpret_cast<const char*>(data), items);
        XFree(data);
    }
    if (!out.empty()) return out;
    char* name = nullptr;
    if (XFetchName(display_, window, &name) && name) {
        out = name;
        XFree(name);
    }
    return out;
}

bool XDisplay::holdsTitle(Window window, const std::vector<std::string>& titles, int depth) {
    std::vector<Window> level{window};
    for (int d = 0; d <= depth && !level.empty(); ++d) {
        std::vector<Window> next;
        for (Window w : level) {
            if (std::find(titles.begin(), titles.end(), titleOf(w)) != titles.end()) return true;
            for (Window c : childrenOf(display_, w)) next.push_back(c);
        }
        level = std::move(next);
    }
    return false;
}

std::optional<Window> XDisplay::findViewable(const std::string& title) {
    for (Window top : childrenOf(display_, DefaultRootWindow(display_))) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, top, &attributes) || attributes.map_state != IsViewable) continue;
        // The window itself, or the client inside a window manager's frame.
        std::vector<Window> candidates{top};
        for (Window c : childrenOf(display_, top)) {
            candidates.push_back(c);
            for (Window g : childrenOf(display_, c)) candidates.push_back(g);
        }
        for (Window w : candidates) {
            if (titleOf(w) != title) continue;
            if (XGetWindowAttributes(display_, w, &attributes) && attributes.map_state == IsViewable) return w;
        }
    }
    return std::nullopt;
}

std::vector<std::string> XDisplay::viewableTitles() {
    std::vector<std::string> out;
    for (Window top : childrenOf(display_, DefaultRootWindow(display_))) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, top, &attributes) || attributes.map_state != IsViewable) continue;
        std::vector<Window> level{top};
        for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
            std::vector<Window> next;
            for (Window w : level) {
                if (std::string title = titleOf(w); !title.empty()) out.push_back(std::move(title));
                for (Window c : childrenOf(display_, w)) next.push_back(c);
            }
            level = std::move(next);
        }
    }
    return out;
}

std::optional<Window> XDisplay::waitViewable(const std::string& title, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (std::optional<Window> w = findViewable(title)) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

bool XDisplay::waitGone(const std::string& title, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (!findViewable(title)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void XDisplay::drainEvents() {
    XSync(display_, False);
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

std::optional<Mapped> XDisplay::waitMapped(const std::vector<std::string>& titles, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    for (;;) {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            // Taken as the event is read: what follows asks the server more questions.
            const Clock::time_point at = Clock::now();
            if (event.type != MapNotify) continue;
            if (holdsTitle(event.xmap.window, titles, 2)) return Mapped{event.xmap.window, at};
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, int(std::min<long long>(left.count(), 100)));
    }
}

std::optional<std::pair<int, int>> XDisplay::originOf(Window window) {
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
        return std::nullopt;
    return std::make_pair(x, y);
}

std::optional<uint32_t> XDisplay::pixel(Window window, int x, int y) {
    XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return uint32_t(value & 0xFFFFFF);
}

void XDisplay::moveTo(int x, int y) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    XSync(display_, False);
}

void XDisplay::click() {
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
}

void XDisplay::pressKey(Window window, const char* keyName) {
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    XSync(display_, False);
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keyName));
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
}

}  // namespace tesselon::bench
