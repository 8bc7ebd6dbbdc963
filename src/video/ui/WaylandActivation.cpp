#include "video/ui/WaylandActivation.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>
#include <wayland-client.h>

#include <cstring>
#include <memory>

extern "C" {
#include "xdg-activation-v1-client-protocol.h"
}

namespace oculon::video::ui {

namespace {

struct Activation {
    xdg_activation_v1* manager = nullptr;
    QByteArray token;
    bool done = false;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto& activation = *static_cast<Activation*>(data);
    if (activation.manager == nullptr && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
        activation.manager =
            static_cast<xdg_activation_v1*>(wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

void onToken(void* data, xdg_activation_token_v1*, const char* token) {
    auto& activation = *static_cast<Activation*>(data);
    activation.token = token;
    activation.done = true;
}

constexpr wl_registry_listener kRegistry{onGlobal, onGlobalRemove};
constexpr xdg_activation_token_v1_listener kToken{onToken};

// A token from a connection of its own: one with no seat and no surface,
// which a compositor gives to any client, as to a program launcher. A few
// round trips to the compositor on its own socket, which answers at once.
QByteArray tokenFromOutside() {
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(wl_display_connect(nullptr),
                                                                                &wl_display_disconnect);
    if (!display) return {};
    Activation activation;
    const std::unique_ptr<wl_registry, decltype(&wl_registry_destroy)> registry(wl_display_get_registry(display.get()),
                                                                                &wl_registry_destroy);
    wl_registry_add_listener(registry.get(), &kRegistry, &activation);
    if (wl_display_roundtrip(display.get()) < 0 || activation.manager == nullptr) return {};
    const std::unique_ptr<xdg_activation_v1, decltype(&xdg_activation_v1_destroy)> manager(activation.manager,
                                                                                           &xdg_activation_v1_destroy);
    const std::unique_ptr<xdg_activation_token_v1, decltype(&xdg_activation_token_v1_destroy)> request(
        xdg_activation_v1_get_activation_token(manager.get()), &xdg_activation_token_v1_destroy);
    xdg_activation_token_v1_add_listener(request.get(), &kToken, &activation);
    xdg_activation_token_v1_commit(request.get());
    // The token comes with the answer to the commit.
    for (int trips = 0; !activation.done && trips < 4; ++trips)
        if (wl_display_roundtrip(display.get()) < 0) break;
    return activation.token;
}

}  // namespace

void requestActivationFromOutside(QWindow& window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    const QByteArray token = tokenFromOutside();
    if (token.isEmpty()) return;
    // The toolkit activates with the token a launcher hands over this way,
    // and takes it out of the environment again.
    qputenv("XDG_ACTIVATION_TOKEN", token);
    window.requestActivate();
}

}  // namespace oculon::video::ui
