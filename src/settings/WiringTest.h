#pragma once
// The wiring test of the gateway page: which video server on the network
// is wired to the selected gateway? The gateway switches the server's
// picture off, on and off again, with a wait after each switch in which the
// discovery thread fetches fresh probe pictures; the server whose picture
// followed all three switches is the one. The caller sends the frames and
// waits on a timer between the steps, so the dialog stays responsive.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "settings/KonfigSeams.h"

namespace oculon::settings {

// Of `keys`, those listed in `found` whose probe picture is (or is not) black.
std::vector<std::string> makeList(const std::vector<std::string>& keys, const std::vector<FoundDevice>& found,
                                  bool withPicture);

class WiringTest {
public:
    // Forty rounds of 210 ms after each switch.
    static constexpr std::chrono::milliseconds kWait{8400};

    struct Step {
        std::string frame;  // to send to the gateway now
        int progress = 0;   // of the progress bar
        bool finished = false;
        std::optional<std::string> wired;  // finished: the key of the wired server, if one followed
    };

    // Picture off; wait next.
    Step start();
    // After a wait: the discovery list as it is now. The last step sends the
    // "during a voice connection" video output.
    Step next(const std::vector<FoundDevice>& found);
    bool running() const { return round_ > 0 && round_ < 4; }

private:
    int round_ = 0;
    std::vector<std::string> candidates_;
};

}  // namespace oculon::settings
