#include "video/ui/X11Desktop.h"

#include <QAbstractNativeEventFilter>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QWindow>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace oculon::video::ui {

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const auto reply = owned(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit items of a property (windows, atoms), at most `most`.
std::vector<std::uint32_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                                    std::uint32_t most) {
    const auto reply = owned(xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, most), nullptr));
    if (!reply || reply->format != 32 || reply->type != type) return {};
    const auto* items = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return {items, items + count};
}

// The window's place on the root window, in the X server's pixels.
std::optional<QRect> placeOnRoot(xcb_connection_t* c, xcb_window_t window, xcb_window_t root) {
    const auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const auto origin =
        owned(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!geometry || !origin) return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

// The screen in the X server's pixels: the toolkit keeps a screen's origin
// and scales its size.
QRect nativeGeometry(const QScreen& screen) {
    const QRect logical = screen.geometry();
    return {logical.topLeft(), logical.size() * screen.devicePixelRatio()};
}

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

void writeUrgency(xcb_connection_t* c, xcb_window_t id, bool urgent) {
    constexpr std::uint32_t kUrgency = 1U << 8;  // XUrgencyHint
    // flags, input, initial state, icon pixmap, icon window, icon x and y,
    // icon mask, window group
    std::vector<std::uint32_t> hints = property(c, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 9);
    hints.resize(9, 0);
    hints[0] = urgent ? hints[0] | kUrgency : hints[0] & ~kUrgency;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints.data());
    xcb_flush(c);
}

// The windows whose call waits for the user. Their urgency hint is written
// once more when they are mapped: a window manager reads it at the map
// (openbox), but XWayland's compositors hear of it only from a change while
// the window is mapped. The window manager's request to close one is left
// aside unless the pointer stands on the window's frame: a close the user
// clicks comes from its title bar, while one a key gives (Alt+F4 meant for
// the window the user works in) comes wherever the pointer is.
class CallingWindows : public QAbstractNativeEventFilter {
public:
    static CallingWindows& instance() {
        static CallingWindows windows;
        return windows;
    }

    void keep(xcb_connection_t* c, xcb_window_t id, QWindow& window, bool calling) {
        if (!calling) {
            windows_.erase(id);
            return;
        }
        windows_[id] = &window;
        if (!installed_ && qApp != nullptr) {
            protocols_ = atom(c, "WM_PROTOCOLS");
            deleteWindow_ = atom(c, "WM_DELETE_WINDOW");
            qApp->installNativeEventFilter(this);
            installed_ = true;
        }
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7F) {
            case XCB_MAP_NOTIFY: {
                const xcb_window_t id = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
                xcb_connection_t* c = x11Connection();
                if (find(id) != nullptr && c != nullptr) writeUrgency(c, id, true);
                return false;
            }
            case XCB_CLIENT_MESSAGE: {
                const auto* request = reinterpret_cast<const xcb_client_message_event_t*>(event);
                if (request->type != protocols_ || request->format != 32 || request->data.data32[0] != deleteWindow_)
                    return false;
                const QWindow* window = find(request->window);
                if (window == nullptr) return false;
                const QPoint pointer = QCursor::pos(window->screen());
                return !(window->frameGeometry().contains(pointer) && !window->geometry().contains(pointer));
            }
            default: return false;
        }
    }

private:
    const QWindow* find(xcb_window_t id) {
        const auto at = windows_.find(id);
        if (at == windows_.end()) return nullptr;
        if (at->second != nullptr && static_cast<xcb_window_t>(at->second->winId()) == id) return at->second;
        windows_.erase(at);
        return nullptr;
    }

    std::map<xcb_window_t, QPointer<QWindow>> windows_;
    bool installed_ = false;
    xcb_atom_t protocols_ = XCB_ATOM_NONE;
    xcb_atom_t deleteWindow_ = XCB_ATOM_NONE;
};

}  // namespace

bool activeFullscreenCovers(const QScreen& screen) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::vector<std::uint32_t> active = property(c, root, atom(c, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 1);
    if (active.empty() || active.front() == XCB_WINDOW_NONE) return false;
    const xcb_atom_t fullscreen = atom(c, "_NET_WM_STATE_FULLSCREEN");
    const std::vector<std::uint32_t> state = property(c, active.front(), atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 64);
    if (fullscreen == XCB_ATOM_NONE || std::find(state.begin(), state.end(), fullscreen) == state.end()) return false;
    const std::optional<QRect> place = placeOnRoot(c, active.front(), root);
    return place && place->intersects(nativeGeometry(screen));
}

void markCalling(QWindow& window, bool calling) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    writeUrgency(c, id, calling);
    CallingWindows::instance().keep(c, id, window, calling);
}

}  // namespace oculon::video::ui
