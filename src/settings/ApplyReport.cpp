#include "settings/ApplyReport.h"

namespace oculon::settings {

namespace {

// The captions the user knows the parts by: their pages, the door options'
// group, and the language box's label without its colon.
std::string caption(ApplyReport::Part part, config::TSprachenTyp language) {
    static const config::TText* const captions[] = {&config::txtLanguage,         &config::txtReleaseBuzzer,
                                                    &config::txtCommonSetup,      &config::txtIPDoorIntercoms,
                                                    &config::txtVideoserverSetup, &config::txtGateways};
    std::string text = config::text(*captions[part], language);
    while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::string ApplyReport::summary(config::TSprachenTyp language) const {
    std::string lines;
    for (const bool wasSaved : {true, false}) {
        std::string names;
        for (int part = 0; part < kParts; ++part) {
            if (!changed_[part] || saved_[part] != wasSaved) continue;
            names += (names.empty() ? "" : ", ") + caption(static_cast<Part>(part), language);
        }
        if (names.empty()) continue;
        lines += "\r\n" + config::text(wasSaved ? config::txtChangesSaved : config::txtChangesNotSaved, language) +
                 " " + names + ".";
    }
    return lines.empty() ? lines : "\r\n" + lines;
}

std::string refusal(ApplyReport::Part page, const std::string& message, config::TSprachenTyp language) {
    std::string heading = config::text(config::txtOnThePage, language);
    if (const auto at = heading.find("%1"); at != std::string::npos) heading.replace(at, 2, caption(page, language));
    return heading + "\r\n" + message;
}

}  // namespace oculon::settings
