#pragma once
// The gateway library "NECI_SDK.dll" as the program uses it: its file image,
// kept as the resource "NECI", is written to this user's private folder in
// the temp folder when missing there, loaded from that path, and its `dsc_`
// entry points bound by name.

#include <memory>
#include <string>
#include <string_view>

#include "devices/neci/NeciSdk.h"

namespace oculon::platform {
class DynLib;
}

namespace oculon::devices {

// The bound entry points; an export the library lacks (or every one, when it
// could not be loaded) stays null, and its callers treat it as a failure.
struct NeciApi {
    NeciApi();
    ~NeciApi();
    NeciApi(const NeciApi&) = delete;
    NeciApi& operator=(const NeciApi&) = delete;

#define NECI_DECLARE_CALLED(name) PFN_dsc_##name name = nullptr;
    NECI_CALLED_ENTRY_POINTS(NECI_DECLARE_CALLED)
#undef NECI_DECLARE_CALLED
#define NECI_DECLARE_UNCALLED(name) PFN_dsc_Uncalled name = nullptr;
    NECI_UNCALLED_ENTRY_POINTS(NECI_DECLARE_UNCALLED)
#undef NECI_DECLARE_UNCALLED

    // Keeps the library loaded as long as anything may call into it.
    std::unique_ptr<platform::DynLib> library;
};

class NeciLibrary {
public:
    // platform::privateTempFolder() + "/NECI_SDK.dll".
    static std::string defaultPath();

    // Makes the folder of `path` private (platform::makePrivateFolder),
    // writes `image` to `path` when no file is there, then loads and binds
    // it. A folder or a file that another user owns or may change is not
    // used. Never null; the entry points are all null when the library could
    // not be written or loaded, which the user is told.
    static std::shared_ptr<const NeciApi> load(const std::string& path, std::string_view image);
    // The program's own library from its resource, at defaultPath().
    static std::shared_ptr<const NeciApi> load();
};

}  // namespace oculon::devices
