#pragma once
// Decodes the call buttons of an analog door intercom wired to one camera
// input: the length of a first pulse names the button, a second rising edge
// 50 to 499 ms after it confirms the call. One decoding per device address.
// Main thread only.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

namespace oculon::config {
class TSingleConfig;
}

namespace oculon::app {

enum class TAnalogState { Start, Pause, Bild };

// The decoding under way for one address.
struct TAnalogObjekt {
    std::string IPAdresse;
    std::uint32_t Zeitpunkt = 0;  // tick of the last edge
    bool Status = false;          // a pulse is running
    int erkannt = 0;              // recognised button 1..9, 0 = none
    TAnalogState Zustand = TAnalogState::Start;
};

// One measured pulse, kept for a reader of the program's state.
struct TTimingObjekt {
    std::uint32_t Ticks = 0;  // tick of the falling edge
    std::uint32_t count = 0;  // pulse length in ms
    int erkannt = 0;
};

// The button a pulse of `ms` milliseconds names, or 0 for none.
int buttonForPulse(std::uint32_t ms);

// The buttons a station reacts to, by number 1..9 (index 0 unused).
std::array<bool, 10> selectedButtons(const config::TSingleConfig& station);

class AnalogDecoder {
public:
    using Clock = std::function<std::uint32_t()>;
    // The pulses kept in timings(): the newest ones.
    static constexpr std::size_t kMaxTimings = 64;

    explicit AnalogDecoder(Clock clock = {});

    // An input change of `address`; true when it is a call to show.
    bool inputChanged(const std::string& address, bool on, const std::array<bool, 10>& buttons);

    const TAnalogObjekt* find(const std::string& address) const;
    std::size_t size() const { return analogObjektListe_.size(); }
    const std::deque<TTimingObjekt>& timings() const { return mylist_; }

private:
    std::uint32_t now() const;

    Clock clock_;
    std::map<std::string, TAnalogObjekt> analogObjektListe_;
    std::deque<TTimingObjekt> mylist_;
};

}  // namespace oculon::app
