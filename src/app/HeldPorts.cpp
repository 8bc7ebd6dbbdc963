#include "app/HeldPorts.h"

namespace oculon::app {

void HeldPorts::report(std::uint16_t port, bool held) {
    if (held ? held_.insert(port).second : held_.erase(port) > 0) changed(held);
}

void HeldPorts::reportSearch(bool blocked) {
    if (blocked == searchBlocked_) return;
    searchBlocked_ = blocked;
    changed(blocked);
}

void HeldPorts::changed(bool lost) {
    if (tell_) tell_(state(), lost);
}

}  // namespace oculon::app
