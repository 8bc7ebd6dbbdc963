#include "platform/DynLib.h"

#include <dlfcn.h>

namespace oculon::platform {

std::unique_ptr<DynLib> DynLib::open(const std::string& fileName) {
    if (fileName.empty()) return nullptr;
    // RTLD_LOCAL: the exports of an optional library must not stand in for
    // symbols of the program or of other libraries.
    void* handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    return std::make_unique<DynLib>(Key{}, handle, fileName);
}

DynLib::DynLib(Key, void* handle, std::string fileName) : handle_(handle), fileName_(std::move(fileName)) {}

DynLib::~DynLib() {
    if (!keep_) ::dlclose(handle_);
}

void* DynLib::symbol(const char* name) const {
    if (!name) return nullptr;
    return ::dlsym(handle_, name);
}

}  // namespace oculon::platform
