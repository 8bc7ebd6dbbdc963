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

    PFN_dsc_EnumSearch EnumSearch = nullptr;
    PFN_dsc_Attach Attach = nullptr;
    PFN_dsc_Detach Detach = nullptr;
    PFN_dsc_Login Login = nullptr;
    PFN_dsc_Logout Logout = nullptr;
    PFN_dsc_GetName GetName = nullptr;
    PFN_dsc_GetIPConfig GetIPConfig = nullptr;
    PFN_dsc_GetIfConfig GetIfConfig = nullptr;
    PFN_dsc_GetKernelInfo GetKernelInfo = nullptr;
    PFN_dsc_SetIP SetIP = nullptr;
    PFN_dsc_SetNetmask SetNetmask = nullptr;
    PFN_dsc_SetGateway SetGateway = nullptr;
    PFN_dsc_SetIPConfig SetIPConfig = nullptr;
    PFN_dsc_SetName SetName = nullptr;
    PFN_dsc_SetPassword SetPassword = nullptr;
    PFN_dsc_SaveAndRestart SaveAndRestart = nullptr;

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
