#include "devices/NeciLibrary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "devices/NeciResource.h"
#include "platform/DynLib.h"
#include "platform/PrivateFiles.h"
#include "platform/UserNotice.h"

namespace oculon::devices {

namespace {

constexpr const char* kFileName = "NECI_SDK.dll";

// A library file that someone else could have put there or changed would
// run their code in this process.
bool trustworthy(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && !(info.st_mode & (S_IWGRP | S_IWOTH));
}

template <typename F>
void bind(const platform::DynLib& library, F& entry, const char* name) {
    entry = reinterpret_cast<F>(library.symbol(name));
}

}  // namespace

NeciApi::NeciApi() = default;
NeciApi::~NeciApi() = default;

std::string NeciLibrary::defaultPath() { return platform::privateTempFolder() + "/" + kFileName; }

std::shared_ptr<const NeciApi> NeciLibrary::load(const std::string& path, std::string_view image) {
    auto api = std::make_shared<NeciApi>();
    const auto refuse = [&api](const std::string& why) {
        platform::tellUser(platform::Notice::gatewayLibraryRefused, why);
        return api;
    };
    // Code loaded from a folder someone else could write would be theirs.
    if (const auto problem = platform::makePrivateFolder(std::filesystem::path(path).parent_path().string());
        !problem.empty())
        return refuse(problem);
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0) {
        if (const auto problem = platform::writeFileAtomically(path, image, 0700); !problem.empty())
            return refuse(problem);
    }
    if (!trustworthy(path)) return refuse(path + ": not this user's alone");
    api->library = platform::DynLib::open(path);
    if (!api->library) return refuse(path + ": cannot be loaded");
    const auto& library = *api->library;
#define NECI_BIND(name) bind(library, api->name, "dsc_" #name);
    NECI_CALLED_ENTRY_POINTS(NECI_BIND)
    NECI_UNCALLED_ENTRY_POINTS(NECI_BIND)
#undef NECI_BIND
    return api;
}

std::shared_ptr<const NeciApi> NeciLibrary::load() { return load(defaultPath(), neciResource()); }

}  // namespace oculon::devices
