#pragma once
// What one apply of the settings dialog did with the user's changes, part
// by part: the lines that follow each of its messages, naming the changed
// parts that were saved and those that were not, so that a message about
// one part never leaves the user guessing about the others.

#include <array>
#include <string>
#include <vector>

#include "config/sprachen.h"

namespace oculon::settings {

class ApplyReport {
public:
    enum Part { language, doorOptions, general, intercom, server, gateway, kParts };
    using Parts = std::array<bool, kParts>;

    // The parts the user changed, as the apply begins.
    explicit ApplyReport(const Parts& changed) : changed_(changed) {}
    void saved(Part part) { saved_[part] = true; }

    // A blank line, then "Changes saved: ..." and "Changes not saved: ..."
    // for the changed parts; empty when the user changed nothing.
    std::string summary(config::TSprachenTyp language) const;

private:
    Parts changed_{};
    Parts saved_{};
};

// `text` with %1, %2, ... replaced by the values in that order.
std::string filledIn(const std::string& text, const std::vector<std::string>& values);
// "a, b, c".
std::string joined(const std::vector<std::string>& parts);

// A check's refusal, headed by the page it comes from: the same message can
// come from several pages.
std::string refusal(ApplyReport::Part page, const std::string& message, config::TSprachenTyp language);

}  // namespace oculon::settings
