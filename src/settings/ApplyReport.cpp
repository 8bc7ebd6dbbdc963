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

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string filledIn(const std::string& text, const std::vector<std::string>& values) {
    std::string filled;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        const std::size_t index = static_cast<std::size_t>(next - '1');
        if (text[at] == '%' && next >= '1' && next <= '9' && index < values.size()) {
            // Values are put in as they are, never read as placeholders again.
            filled += values[index];
            ++at;
        } else {
            filled += text[at];
        }
    }
    return filled;
}

std::string refusal(ApplyReport::Part page, const std::string& message, config::TSprachenTyp language) {
    return filledIn(config::text(config::txtOnThePage, language), {caption(page, language)}) + "\r\n" + message;
}

}  // namespace oculon::settings
