// Drives the program's windows from outside, as a user would, for the
// whole-program tests: lists the top-level windows of an X display, waits for
// one to show or go, and clicks into it or types keys through the XTEST
// extension (which Xvfb has). The XTEST client library is loaded at run time,
// since its development header is not installed here.
//
//   e2e_xdrive list
//   e2e_xdrive wait NAME [TIMEOUT_MS] [gone]     exit 1 on time-out
//   e2e_xdrive wait-popup [TIMEOUT_MS] [gone]    a menu (override-redirect window)
//   e2e_xdrive click NAME DX DY                  DX/DY < 0 count from the right/bottom
//   e2e_xdrive key KEYSYM...                     e.g. Down Down Return
//   e2e_xdrive drag X1 Y1 X2 Y2                  press at X1/Y1 (root), move, release at X2/Y2
//   e2e_xdrive window NAME [fullscreen]          another program's window, open until the tool is ended
//
// The display is $DISPLAY. Windows are matched by their title (with or
// without the application name that Qt appends) among the viewable top-level
// windows (without a window manager those are the children of the root).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TopWindow {
    Window id = 0;
    bool viewable = false;
    bool popup = false;  // override-redirect: a menu or tool tip
    int x = 0, y = 0, width = 0, height = 0;
    std::string name;
};

std::string windowName(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (!name.empty()) return name;
    }
    char* plain = nullptr;
    if (XFetchName(display, window, &plain) && plain) {
        name = plain;
        XFree(plain);
    }
    return name;
}

// A window can be destroyed between XQueryTree and the questions about it:
// such a BadWindow only makes that question fail (Xlib's default handler
// would end the tool). Any other error still ends it.
int onXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow) return 0;
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "e2e_xdrive: X error %s (request %d)\n", text, error->request_code);
    std::exit(2);
}

std::vector<TopWindow> topWindows(Display* display) {
    std::vector<TopWindow> out;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return out;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display, children[i], &a)) continue;
        TopWindow w{children[i], a.map_state == IsViewable,       a.override_redirect == True, a.x, a.y, a.width,
                    a.height,    windowName(display, children[i])};
        if (!w.name.empty() || w.popup) out.push_back(w);
    }
    if (children) XFree(children);
    return out;
}

// Qt puts " — " and the application's name behind a window's own title.
bool titleMatches(const std::string& title, const std::string& name) {
    static const std::string kSeparator = " \u2014 ";
    return title == name || title.rfind(name + kSeparator, 0) == 0;
}

std::optional<TopWindow> findViewable(Display* display, const std::string& name) {
    for (const auto& w : topWindows(display))
        if (w.viewable && !w.popup && titleMatches(w.name, name)) return w;
    return std::nullopt;
}

std::optional<TopWindow> findPopup(Display* display) {
    for (const auto& w : topWindows(display))
        if (w.viewable && w.popup && w.width > 8 && w.height > 8) return w;
    return std::nullopt;
}

// The two XTEST calls we need, bound by name.
struct XTest {
    using Motion = int (*)(Display*, int, int, int, unsigned long);
    using Button = int (*)(Display*, unsigned, Bool, unsigned long);
    using Key = int (*)(Display*, unsigned, Bool, unsigned long);
    Motion motion = nullptr;
    Button button = nullptr;
    Key key = nullptr;

    XTest() {
        void* library = dlopen("libXtst.so.6", RTLD_NOW);
        if (!library) {
            std::fprintf(stderr, "e2e_xdrive: %s\n", dlerror());
            std::exit(2);
        }
        motion = reinterpret_cast<Motion>(dlsym(library, "XTestFakeMotionEvent"));
        button = reinterpret_cast<Button>(dlsym(library, "XTestFakeButtonEvent"));
        key = reinterpret_cast<Key>(dlsym(library, "XTestFakeKeyEvent"));
        if (!motion || !button || !key) {
            std::fprintf(stderr, "e2e_xdrive: XTEST entry points missing\n");
            std::exit(2);
        }
    }
};

// A user's drag: the button goes down at x1/y1, the pointer travels to x2/y2
// in small steps (a drag begins only once it has moved a few pixels, and its
// target is looked for on every step), rests there a moment and lets go.
void drag(Display* display, const XTest& xtest, int x1, int y1, int x2, int y2) {
    const auto moveTo = [&](int x, int y, int pauseMs) {
        xtest.motion(display, DefaultScreen(display), x, y, CurrentTime);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    };
    moveTo(x1, y1, 50);
    xtest.button(display, 1, True, CurrentTime);
    constexpr int kSteps = 40;
    for (int i = 0; i <= kSteps; ++i) moveTo(x1 + (x2 - x1) * i / kSteps, y1 + (y2 - y1) * i / kSteps, i ? 15 : 50);
    moveTo(x2 + 1, y2 + 1, 100);  // a last wiggle over the target, then the drop
    moveTo(x2, y2, 200);
    xtest.button(display, 1, False, CurrentTime);
}

// Another program's window, as the user works in it: mapped (in fullscreen
// when asked, as a video player or a presentation is), then kept until the
// tool is ended.
[[noreturn]] void keepWindow(Display* display, const std::string& name, bool fullscreen) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 640, 480, 0, 0,
                                              WhitePixel(display, DefaultScreen(display)));
    XStoreName(display, window, name.c_str());
    if (fullscreen) {
        Atom state = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&state), 1);
    }
    XMapWindow(display, window);
    XSync(display, False);
    for (XEvent event;;) XNextEvent(display, &event);
}

int usage() {
    std::fprintf(stderr,
                 "usage: e2e_xdrive list | wait NAME [MS] [gone] | wait-popup [MS] [gone] | click NAME DX DY | key "
                 "KEYSYM[+KEYSYM]... | "
                 "drag X1 Y1 X2 Y2 | window NAME [fullscreen]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "e2e_xdrive: cannot open display %s\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 2;
    }
    XSetErrorHandler(onXError);
    int result = 0;
    if (command == "list") {
        for (const auto& w : topWindows(display))
            std::printf("0x%lx %s%s %d %d %d %d %s\n", w.id, w.viewable ? "viewable" : "hidden",
                        w.popup ? " popup" : "", w.x, w.y, w.width, w.height, w.name.c_str());
    } else if ((command == "wait" && argc >= 3) || command == "wait-popup") {
        const bool menu = command == "wait-popup";
        const int first = menu ? 2 : 3;
        const std::string name = menu ? std::string() : argv[2];
        const int timeout = argc > first ? std::atoi(argv[first]) : 10000;
        const bool gone = argc > first + 1 && std::string(argv[first + 1]) == "gone";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
        result = 1;
        do {
            const auto w = menu ? findPopup(display) : findViewable(display, name);
            if (w.has_value() != gone) {
                if (w) std::printf("%d %d %d %d\n", w->x, w->y, w->width, w->height);
                result = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < deadline);
    } else if (command == "click" && argc == 5) {
        const auto w = findViewable(display, argv[2]);
        if (!w) {
            std::fprintf(stderr, "e2e_xdrive: no viewable window \"%s\"\n", argv[2]);
            result = 1;
        } else {
            const int dx = std::atoi(argv[3]);
            const int dy = std::atoi(argv[4]);
            const int x = w->x + (dx < 0 ? w->width + dx : dx);
            const int y = w->y + (dy < 0 ? w->height + dy : dy);
            const XTest xtest;
            xtest.motion(display, DefaultScreen(display), x, y, CurrentTime);
            XSync(display, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            xtest.button(display, 1, True, CurrentTime);
            xtest.button(display, 1, False, CurrentTime);
            std::printf("%d %d\n", x, y);
        }
    } else if (command == "drag" && argc == 6) {
        drag(display, XTest(), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    } else if (command == "key" && argc >= 3) {
        const XTest xtest;
        // A chord such as Alt_L+F4: its keys go down in order and up in reverse.
        for (int i = 2; i < argc && result == 0; ++i) {
            std::vector<KeyCode> chord;
            for (std::string rest = argv[i]; !rest.empty();) {
                const std::size_t plus = rest.find('+', 1);
                const std::string name = rest.substr(0, plus);
                rest = plus == std::string::npos ? std::string() : rest.substr(plus + 1);
                const KeySym sym = XStringToKeysym(name.c_str());
                const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
                if (!code) {
                    std::fprintf(stderr, "e2e_xdrive: unknown key %s\n", name.c_str());
                    result = 2;
                    break;
                }
                chord.push_back(code);
            }
            if (result != 0) break;
            for (const KeyCode code : chord) xtest.key(display, code, True, CurrentTime);
            for (auto code = chord.rbegin(); code != chord.rend(); ++code)
                xtest.key(display, *code, False, CurrentTime);
            XSync(display, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
        }
    } else if (command == "window" && argc >= 3) {
        keepWindow(display, argv[2], argc > 3 && std::string(argv[3]) == "fullscreen");
    } else {
        result = usage();
    }
    XSync(display, False);
    XCloseDisplay(display);
    return result;
}
