#include "app/HeldPorts.h"

namespace oculon::app {

void HeldPorts::report(std::uint16_t port, bool held) {
    const bool changed = held ? held_.insert(port).second : held_.erase(port) > 0;
    if (changed && tell_) tell_(this->held(), held);
}

}  // namespace oculon::app
