#pragma once
// What the start tells the user of the settings file's load, in the user's
// language: what was left out and where the file as it was is kept, and the
// values that cannot be used as written.

#include <string>

#include "config/sprachen.h"
#include "platform/Registry.h"

namespace oculon::config {

// Empty when all is well. `file` is null for settings that are no file.
std::string settingsNoticeText(const platform::FileRegistryStore* file, const platform::UnusableValues& unusable,
                               TSprachenTyp language);

// Why a line or value was left out, in `language`.
std::string faultWording(platform::SettingsFault fault, TSprachenTyp language);

}  // namespace oculon::config
