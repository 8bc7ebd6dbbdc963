#include "media/primitives/IppLoaders.h"

#include <memory>
#include <mutex>

#include "platform/DynLib.h"

namespace oculon::primitives {

namespace {

struct Libraries {
    std::unique_ptr<platform::DynLib> signal;
    std::unique_ptr<platform::DynLib> core;
    std::unique_ptr<platform::DynLib> image;
    std::unique_ptr<platform::DynLib> colour;
};

Libraries& libraries() {
    static Libraries libs;
    return libs;
}

std::unique_ptr<platform::DynLib> openOptional(const char* fileName) {
    auto lib = platform::DynLib::open(fileName);
    // Bound entry points keep pointing into the library for the whole run,
    // worker threads that outlive main() included, so it is never unmapped.
    if (lib) lib->keepLoaded();
    return lib;
}

void* lookup(const std::unique_ptr<platform::DynLib>& lib, const char* name) {
    return lib ? lib->symbol(name) : nullptr;
}

}  // namespace

int ippGetCpuType_Default() { return 0; }

int (*ippGetCpuType)() = &ippGetCpuType_Default;

void loadPrimitiveLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        Libraries& libs = libraries();
        libs.signal = openOptional(kSignalLibrary);
        libs.core = openOptional(kCoreLibrary);
        if (void* cpuType = GetIPPCoreProcAddress("ippGetCpuType"))
            ippGetCpuType = reinterpret_cast<int (*)()>(cpuType);
        libs.image = openOptional(kImageLibrary);
        libs.colour = openOptional(kColourLibrary);
    });
}

void* GetIPPSProcAddress(const char* name) { return lookup(libraries().signal, name); }

void* GetIPPCoreProcAddress(const char* name) { return lookup(libraries().core, name); }

void* GetIPPIProcAddress(const char* name) {
    if (void* p = lookup(libraries().image, name)) return p;
    return lookup(libraries().colour, name);
}

}  // namespace oculon::primitives
