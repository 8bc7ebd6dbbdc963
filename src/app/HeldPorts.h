#pragma once
// The listening ports that another program holds, as the listeners report
// them, and when the user is told: at once when a port is lost, not again
// for as long as it stays lost (the listeners retry every few seconds), and
// the notice goes once every port is free. Main thread only.

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace oculon::app {

class HeldPorts {
public:
    // `held`: the ports held now, ascending; empty once all are free.
    // `lost`: one of them was lost just now, and the notice comes forward
    // (also after the user closed it); otherwise it only follows, if open.
    using Tell = std::function<void(const std::vector<std::uint16_t>& held, bool lost)>;

    explicit HeldPorts(Tell tell) : tell_(std::move(tell)) {}

    // A listener's report; a repeated one changes nothing.
    void report(std::uint16_t port, bool held);
    std::vector<std::uint16_t> held() const { return {held_.begin(), held_.end()}; }

private:
    Tell tell_;
    std::set<std::uint16_t> held_;
};

}  // namespace oculon::app
