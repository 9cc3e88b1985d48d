#include "tests/e2e/XInput.h"

#ifdef QVU_WITH_WINDOW

#include <X11/extensions/XTest.h>
#include <X11/Xlib.h>

#include <string>

namespace qvutest {

namespace {

// The shown top-level window titled title, searched among the root's children
// (the test's X server has no window manager to reparent them).
bool FindWindow(Display* display, const char* title, XWindowAttributes& found) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return false;
    bool hit = false;
    for (unsigned i = 0; i < count && !hit; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        hit = XFetchName(display, children[i], &name) && name != nullptr &&
              std::string(name) == title &&
              XGetWindowAttributes(display, children[i], &attributes) &&
              attributes.map_state == IsViewable;
        if (hit)
            found = attributes;
        if (name != nullptr)
            XFree(name);
    }
    XFree(children);
    return hit;
}

// Points into the window titled title at the shares x, y and then does act.
template <class Act> bool InWindow(const char* title, double x, double y, Act act) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XWindowAttributes window;
    const bool found = FindWindow(display, title, window);
    if (found) {
        XTestFakeMotionEvent(display, -1, window.x + static_cast<int>(window.width * x),
                             window.y + static_cast<int>(window.height * y), CurrentTime);
        act(display);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return found;
}

} // namespace

bool ClickIntoWindow(const char* title, double x, double y) {
    return InWindow(title, x, y, [](Display* display) {
        XTestFakeButtonEvent(display, 1, True, 20);
        XTestFakeButtonEvent(display, 1, False, 20);
    });
}

bool PressKeyInWindow(const char* title, unsigned long keySym) {
    return InWindow(title, 0.5, 0.5, [keySym](Display* display) {
        const KeyCode key = XKeysymToKeycode(display, keySym);
        XTestFakeKeyEvent(display, key, True, 20);
        XTestFakeKeyEvent(display, key, False, 20);
    });
}

} // namespace qvutest

#endif
