#pragma once
// What the start tells the user of the settings file's load, in the user's
// language: what was left out and where the file as it was is kept, and the
// values that cannot be used as written; and why a file cannot be read.

#include <string>

#include "config/sprachen.h"
#include "platform/Registry.h"

namespace oculon::config {

// The notice in two parts: what happened, in a sentence or two, and the
// lines and values that it concerns, with where the file is kept.
struct SettingsNotice {
    std::string head;
    std::string details;
    bool empty() const { return head.empty(); }
};

// Empty when all is well. `file` is null for settings that are no file.
SettingsNotice settingsNotice(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                              TSprachenTyp language);
// The same as one text.
std::string settingsNoticeText(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                               TSprachenTyp language);

// Why the settings file cannot be used at all, in `language`: its name (and
// where its link leads) and the reason.
std::string unreadableSettingsText(const platform::UnreadableSettings& unreadable, TSprachenTyp language);

// Why a line or value was left out, in `language`.
std::string faultWording(platform::SettingsFault fault, TSprachenTyp language);

}  // namespace oculon::config
