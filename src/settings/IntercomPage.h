#pragma once
// The door-intercom page: the grid of the intercoms heard on the network,
// the grid of the stored assignments, the rules of its edits, and what a
// camera chosen in the camera list shows. The apply and the context-menu
// commands are in IntercomAssignment.h.

#include <array>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "devices/TelefonTelegram.h"
#include "settings/GridRows.h"
#include "settings/InputRules.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

// Address and name per intercom, without the header.
GridRows telefonRows(const std::vector<devices::telefonObjekt>& telephones);
// One row per stored station, in stored order, that is a camera of type 1,
// 2, 3, 4, 6, 7 or 8 or has an intercom: address ":" port, common name (or
// name), "<->", the intercom's name and address.
GridRows zuordnungRows(const config::TVideoConfig& settings);

// The door-opener code edit keeps digits, "*" and "#" only; the caret stays
// where it was.
EditedText filterDoorCode(std::u32string text, int caret);
// The duration edit: a text that is not a whole number from 1 to 60 becomes
// "5"; an empty edit stays empty.
std::string filterDuration(const std::string& text);
// Seconds to store: the number, or 5 for an empty edit or "1".
std::int32_t storedDuration(const std::string& text);

// The nine call buttons of an analog door station, and whether it has
// several.
struct AnalogFlags {
    bool multi = false;
    std::array<bool, 9> buttons{};
    friend bool operator==(const AnalogFlags&, const AnalogFlags&) = default;
};
AnalogFlags analogFlagsOf(const config::TSingleConfig& station);
AnalogFlags analogFlagsOf(const devices::ServerFields& device);
void setAnalogFlags(config::TSingleConfig& station, const AnalogFlags& flags);

// What the camera settings show for a camera chosen in the camera list.
struct CameraControls {
    config::TVideoServerType type = config::KorvatServer;
    bool boxesEnabled = false;  // "analog phone" and "without door intercom": types 1, 4 and 6
    bool withoutIntercom = false;
    bool output = false;  // "Use output"
    std::string outputText;
    bool outputTextEnabled = false;
    bool usePassEnabled = false;  // type 9 only
    bool usePass = false;
    bool userEnabled = false;
    std::string user, password;
    std::string duration;  // empty: not shown
    AnalogFlags analog;
};
CameraControls cameraControls(const FoundDevice& camera, const config::TVideoConfig& settings);

// "Configure special-functions" is offered unless the intercom is heard as
// one of another kind than the first generation.
bool specialFunctionsOffered(const std::string& address, const std::vector<devices::telefonObjekt>& telephones);

}  // namespace oculon::settings
