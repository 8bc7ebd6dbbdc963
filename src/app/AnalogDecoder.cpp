#include "app/AnalogDecoder.h"

#include "config/ConfigEntries.h"
#include "devices/TickCount.h"

namespace oculon::app {

namespace {

constexpr std::uint32_t kFirstButtonFrom = 150;
constexpr std::uint32_t kButtonStep = 300;
constexpr int kButtons = 9;
constexpr std::uint32_t kConfirmFrom = 50;
constexpr std::uint32_t kConfirmBefore = 500;

}  // namespace

int buttonForPulse(std::uint32_t ms) {
    // Button 1 takes its lower bound; the bounds between two buttons belong
    // to neither.
    if (ms >= kFirstButtonFrom && ms < kFirstButtonFrom + kButtonStep) return 1;
    for (int n = 2; n <= kButtons; ++n) {
        const std::uint32_t low = kFirstButtonFrom + kButtonStep * static_cast<std::uint32_t>(n - 1);
        if (ms > low && ms < low + kButtonStep) return n;
    }
    return 0;
}

std::array<bool, 10> selectedButtons(const config::TSingleConfig& s) {
    return {false,          s.analog_eins,  s.analog_zwei,   s.analog_drei, s.analog_vier,
            s.analog_fuenf, s.analog_sechs, s.analog_sieben, s.analog_acht, s.analog_neun};
}

AnalogDecoder::AnalogDecoder(Clock clock) : clock_(std::move(clock)) {}

std::uint32_t AnalogDecoder::now() const { return clock_ ? clock_() : devices::tickCount(); }

const TAnalogObjekt* AnalogDecoder::find(const std::string& address) const {
    auto it = analogObjektListe_.find(address);
    return it == analogObjektListe_.end() ? nullptr : &it->second;
}

bool AnalogDecoder::inputChanged(const std::string& address, bool on, const std::array<bool, 10>& buttons) {
    const std::uint32_t t = now();
    auto it = analogObjektListe_.find(address);
    if (it == analogObjektListe_.end()) {
        if (on) analogObjektListe_[address] = TAnalogObjekt{address, t, true, 0, TAnalogState::Start};
        return false;
    }
    TAnalogObjekt& o = it->second;
    if (!on) {
        if (o.Status && o.Zustand == TAnalogState::Start) {
            const std::uint32_t d = t - o.Zeitpunkt;
            if (const int button = buttonForPulse(d)) o.erkannt = button;
            mylist_.push_back({t, d, o.erkannt});
            if (mylist_.size() > kMaxTimings) mylist_.pop_front();
            o.Zeitpunkt = t;
            o.Zustand = TAnalogState::Pause;
            o.Status = false;
        } else {
            analogObjektListe_.erase(it);
        }
        return false;
    }
    bool confirmed = false;
    if (!o.Status && o.Zustand == TAnalogState::Pause) {
        const std::uint32_t gap = t - o.Zeitpunkt;
        confirmed = gap >= kConfirmFrom && gap < kConfirmBefore && o.erkannt >= 1 && o.erkannt <= kButtons &&
                    buttons[static_cast<std::size_t>(o.erkannt)];
    }
    if (confirmed || o.Zustand == TAnalogState::Bild) {
        o.Zustand = TAnalogState::Bild;
        return true;
    }
    analogObjektListe_.erase(it);
    return false;
}

}  // namespace oculon::app
