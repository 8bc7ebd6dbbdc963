#include "settings/WiringTest.h"

#include <algorithm>

#include "settings/GatewayPage.h"

namespace oculon::settings {

std::vector<std::string> makeList(const std::vector<std::string>& keys, const std::vector<FoundDevice>& found,
                                  bool withPicture) {
    std::vector<std::string> out;
    for (const std::string& key : keys) {
        const auto it = std::find_if(found.begin(), found.end(), [&](const FoundDevice& d) { return d.key == key; });
        if (it != found.end() && it->fields.FHasPict == withPicture) out.push_back(key);
    }
    return out;
}

WiringTest::Step WiringTest::start() {
    round_ = 1;
    candidates_.clear();
    return {videoStatus(1), 10, false, std::nullopt};
}

WiringTest::Step WiringTest::next(const std::vector<FoundDevice>& found) {
    switch (round_) {
        case 1: {
            std::vector<std::string> all;
            for (const FoundDevice& d : found) all.push_back(d.key);
            candidates_ = makeList(all, found, false);
            round_ = 2;
            return {videoStatus(2), 33, false, std::nullopt};
        }
        case 2:
            candidates_ = makeList(candidates_, found, true);
            round_ = 3;
            return {videoStatus(1), 66, false, std::nullopt};
        case 3: {
            candidates_ = makeList(candidates_, found, false);
            round_ = 4;
            Step last{videoOnConfig(3), 100, true, std::nullopt};
            if (!candidates_.empty()) last.wired = candidates_.front();
            return last;
        }
        default: return {{}, 0, true, std::nullopt};
    }
}

}  // namespace oculon::settings
