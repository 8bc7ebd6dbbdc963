#pragma once
// What keeps door calls from reaching this workstation, as the listeners and
// the device search report it: listening ports that another program holds,
// and a search that reaches no network. It decides when the user is told:
// at once when a port is lost or the search stops reaching the network, not
// again for as long as that lasts (the listeners retry every tick, the
// search follows the addresses), and the notice goes once every port is free
// and the search works. Main thread only.

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace oculon::app {

class HeldPorts {
public:
    struct State {
        std::vector<std::uint16_t> held;  // ascending
        bool searchBlocked = false;
        bool clear() const { return held.empty() && !searchBlocked; }
    };
    // `lost`: a port was lost or the search blocked just now, and the notice
    // comes forward (also after the user closed it); otherwise it only
    // follows, if open.
    using Tell = std::function<void(const State& now, bool lost)>;

    explicit HeldPorts(Tell tell) : tell_(std::move(tell)) {}

    // A listener's report; a repeated one changes nothing.
    void report(std::uint16_t port, bool held);
    // The search's report; a repeated one changes nothing.
    void reportSearch(bool blocked);
    State state() const { return {{held_.begin(), held_.end()}, searchBlocked_}; }

private:
    void changed(bool lost);

    Tell tell_;
    std::set<std::uint16_t> held_;
    bool searchBlocked_ = false;
};

}  // namespace oculon::app
