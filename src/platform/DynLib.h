#pragma once
// A shared library loaded at run time and the lookup of its exports by name:
// the stand-in for LoadLibrary/GetProcAddress/FreeLibrary.

#include <memory>
#include <string>

namespace oculon::platform {

class DynLib {
public:
    // Loads the library. A bare file name (no '/') is searched the way the
    // dynamic loader does (LD_LIBRARY_PATH, the cache, the system folders);
    // a path is taken as it stands. Null when it cannot be loaded.
    static std::unique_ptr<DynLib> open(const std::string& fileName);

private:
    struct Key {};

public:
    // Only open() can make one (it alone has a Key).
    DynLib(Key, void* handle, std::string fileName);
    ~DynLib();
    DynLib(const DynLib&) = delete;
    DynLib& operator=(const DynLib&) = delete;

    // The export of exactly that (case-sensitive) name, or null.
    void* symbol(const char* name) const;
    const std::string& fileName() const { return fileName_; }

    // Keeps the library mapped until the process ends, for code whose
    // addresses were handed out and may still be called during exit.
    void keepLoaded() { keep_ = true; }

private:
    void* handle_;
    std::string fileName_;
    bool keep_ = false;
};

}  // namespace oculon::platform
