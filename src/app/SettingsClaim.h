#pragma once
// How the program takes this user's settings at start: the settings folder
// made private, the one-instance lock beside the settings file (so every
// launch that would use the same file finds it, whatever its environment),
// then the file itself. A later start finds the running one through a
// socket beside the lock.

#include <memory>
#include <optional>
#include <string>

#include "platform/Registry.h"
#include "platform/Shell.h"

namespace oculon::app {

struct SettingsClaim {
    // Both set when the settings are this process's to use.
    std::unique_ptr<platform::SingleInstance> instance;
    std::shared_ptr<platform::FileRegistryStore> store;
    // Where a later start of the program finds this one; null when it cannot
    // be found (the program runs on without).
    std::unique_ptr<platform::SecondStarts> secondStarts;
    // Why the settings cannot be used (the program tells the user and ends);
    // empty when they can, or when another instance holds them.
    std::string problem;
    // The same, for the user's words, where the settings file is the cause.
    std::optional<platform::UnreadableSettings> unreadable;
};

// The lock file beside `settingsFile`.
std::string instanceLockFor(const std::string& settingsFile);
// The socket of the instance that holds `settingsFile`'s lock.
std::string instanceSocketFor(const std::string& settingsFile);
// Claims `settingsFile` (empty: no home folder is known).
SettingsClaim claimSettings(const std::string& settingsFile);

}  // namespace oculon::app
