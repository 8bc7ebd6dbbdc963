#include "media/pins/PNLibrary.h"

#include <mutex>

#include "media/pins/PNRegistry.h"

namespace oculon::pins {

namespace {

struct LibraryState {
    std::mutex m;
    int starts = 0;
    bool graphicsStarted = false;
    int graphicsStartups = 0;
};

LibraryState& state() {
    static LibraryState s;
    return s;
}

}  // namespace

void GOWInitGlobals() {
    bool first = false;
    {
        std::lock_guard l(state().m);
        first = state().starts++ == 0;
    }
    if (first) StartIGDIPlus();
}

void GOWUninitGlobals() {
    bool last = false;
    {
        std::lock_guard l(state().m);
        if (state().starts == 0) return;
        last = --state().starts == 0;
    }
    if (!last) return;
    PNClearRegistries();
    StopIGDIPlus();
}

bool GOWInitialised() {
    std::lock_guard l(state().m);
    return state().starts > 0;
}

void StartIGDIPlus() {
    std::lock_guard l(state().m);
    if (state().graphicsStarted) return;
    state().graphicsStarted = true;
    ++state().graphicsStartups;
}

void StopIGDIPlus() {
    std::lock_guard l(state().m);
    state().graphicsStarted = false;
}

bool IGDIPlusStarted() {
    std::lock_guard l(state().m);
    return state().graphicsStarted;
}

int IGDIPlusStartups() {
    std::lock_guard l(state().m);
    return state().graphicsStartups;
}

}  // namespace oculon::pins
