#include "media/primitives/Binding.h"

#include <mutex>

#include "media/primitives/IppLoaders.h"

namespace oculon::primitives {

const char* dispatcherName(Dispatcher d) {
    switch (d) {
        case Dispatcher::SGScopeDispatcher: return "SGScopeDispatcher";
        case Dispatcher::SGBasicDispatcher: return "SGBasicDispatcher";
        case Dispatcher::AUBasicDispatcher: return "AUBasicDispatcher";
        case Dispatcher::SGNormDispatcher: return "SGNormDispatcher";
        case Dispatcher::VDBasicDispatcher: return "VDBasicDispatcher";
        case Dispatcher::VDColorTwistDispatcher: return "VDColorTwistDispatcher";
        case Dispatcher::SGResizeDispatcher: return "SGResizeDispatcher";
    }
    return "";
}

std::span<const EntryPoint> dispatcherEntries(Dispatcher d) {
    switch (d) {
        case Dispatcher::SGScopeDispatcher: return sgScopeEntries();
        case Dispatcher::SGBasicDispatcher: return sgBasicEntries();
        case Dispatcher::AUBasicDispatcher: return auBasicEntries();
        case Dispatcher::SGNormDispatcher: return sgNormEntries();
        case Dispatcher::VDBasicDispatcher: return vdBasicEntries();
        case Dispatcher::VDColorTwistDispatcher: return vdColorTwistEntries();
        case Dispatcher::SGResizeDispatcher: return sgResizeEntries();
    }
    return {};
}

void bindPrimitives() {
    static std::once_flag once;
    std::call_once(once, [] {
        loadPrimitiveLibraries();
        for (Dispatcher d : kDispatchers) {
            for (const EntryPoint& e : dispatcherEntries(d)) {
                void* exported = e.loader == Loader::Signal ? GetIPPSProcAddress(e.name) : GetIPPIProcAddress(e.name);
                e.assign(exported);
            }
        }
    });
}

}  // namespace oculon::primitives
