#include "app/SettingsClaim.h"

#include <filesystem>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"

namespace oculon::app {

std::string instanceLockFor(const std::string& settingsFile) {
    return (std::filesystem::path(settingsFile).parent_path() / "KorvatOculonMutex.lock").string();
}

std::string instanceSocketFor(const std::string& settingsFile) {
    return (std::filesystem::path(settingsFile).parent_path() / "KorvatOculon.socket").string();
}

SettingsClaim claimSettings(const std::string& settingsFile) {
    SettingsClaim claim;
    if (settingsFile.empty()) {
        claim.problem = "no home folder is known (HOME is not set and the user database names none)";
        return claim;
    }
    claim.problem = platform::makePrivateFolder(std::filesystem::path(settingsFile).parent_path().string());
    if (!claim.problem.empty()) return claim;
    claim.instance = platform::SingleInstance::acquire(instanceLockFor(settingsFile), &claim.problem);
    if (!claim.instance) return claim;
    auto store = std::make_shared<platform::FileRegistryStore>(settingsFile);
    if (store->unreadable()) {
        claim.problem = store->unreadableReport();
        claim.unreadable = store->unreadable();
        claim.instance.reset();
        return claim;
    }
    claim.store = std::move(store);
    std::string unreachable;
    claim.secondStarts = platform::SecondStarts::listen(instanceSocketFor(settingsFile), unreachable);
    if (!claim.secondStarts)
        log::warning(log::Category::app, "a later start cannot find this one: %s", unreachable.c_str());
    return claim;
}

}  // namespace oculon::app
