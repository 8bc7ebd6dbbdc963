#include "devices/NeciLibrary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "devices/NeciResource.h"
#include "platform/DynLib.h"

namespace oculon::devices {

namespace {

constexpr const char* kFileName = "NECI_SDK.dll";

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes the image beside `path` and renames it into place, so a crash never
// leaves a half-written library that would be found (and fail) next time.
bool writeImage(const std::string& path, std::string_view image) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, 0700) == 0 && writeAll(fd, image) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

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

std::string NeciLibrary::defaultPath() {
    std::error_code error;
    auto folder = std::filesystem::temp_directory_path(error);
    if (error) folder = "/tmp";
    return (folder / kFileName).string();
}

std::shared_ptr<const NeciApi> NeciLibrary::load(const std::string& path, std::string_view image) {
    auto api = std::make_shared<NeciApi>();
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0 && !writeImage(path, image)) {
        std::fprintf(stderr, "oculon: cannot write the gateway library to %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return api;
    }
    if (!trustworthy(path)) {
        std::fprintf(stderr, "oculon: %s is not ours alone; the gateway library is not loaded\n", path.c_str());
        return api;
    }
    api->library = platform::DynLib::open(path);
    if (!api->library) {
        std::fprintf(stderr, "oculon: cannot load the gateway library %s\n", path.c_str());
        return api;
    }
    const auto& library = *api->library;
    bind(library, api->EnumSearch, "dsc_EnumSearch");
    bind(library, api->Attach, "dsc_Attach");
    bind(library, api->Detach, "dsc_Detach");
    bind(library, api->Login, "dsc_Login");
    bind(library, api->Logout, "dsc_Logout");
    bind(library, api->GetName, "dsc_GetName");
    bind(library, api->GetIPConfig, "dsc_GetIPConfig");
    bind(library, api->GetIfConfig, "dsc_GetIfConfig");
    bind(library, api->GetKernelInfo, "dsc_GetKernelInfo");
    bind(library, api->SetIP, "dsc_SetIP");
    bind(library, api->SetNetmask, "dsc_SetNetmask");
    bind(library, api->SetGateway, "dsc_SetGateway");
    bind(library, api->SetIPConfig, "dsc_SetIPConfig");
    bind(library, api->SetName, "dsc_SetName");
    bind(library, api->SetPassword, "dsc_SetPassword");
    bind(library, api->SaveAndRestart, "dsc_SaveAndRestart");
    return api;
}

std::shared_ptr<const NeciApi> NeciLibrary::load() { return load(defaultPath(), neciResource()); }

}  // namespace oculon::devices
