#pragma once
// A filter's output with stored links whose notify-after pins run forward,
// in reverse, in a circle either way, in pairs, in random order, or name one
// pin twice; to pins of roots that are not loaded, or to input pins of the
// frame's own components.

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "media/pins/PNPersistence.h"
#include "media/pins/SGDataPins.h"

namespace storedlinks {

using namespace oculon;
using namespace oculon::pins;

inline const std::vector<std::string> kOrders = {"forward", "reverse", "cyclic", "mirror", "paired", "random", "twice"};

// The notify-after pin of link i (none: -1; n is a pin that is never
// linked); "twice" is a reversed chain with one more entry for the pin the
// first entry names.
inline int afterOf(const std::string& order, int i, int n) {
    if (order == "forward" || order == "random") return i - 1;
    if (order == "reverse") return i + 1;
    if (order == "cyclic") return (i + 1) % n;
    if (order == "mirror") return (i + n - 1) % n;
    if (order == "paired") return i ^ 1;
    return i == n - 1 ? 1 : i + 2 < n ? i + 1 : -1;  // twice
}

inline std::string pinName(int i, bool loaded) {
    return loaded ? "Frame1.S" + std::to_string(i) + ".In" : "P" + std::to_string(i) + ".X.In";
}

// The links in their stored order: link i goes to pin i, "random" shuffles them.
inline std::vector<int> storedOrder(const std::string& order, int n) {
    std::vector<int> links(n);
    for (int i = 0; i < n; ++i) links[i] = i;
    if (order == "random") std::shuffle(links.begin(), links.end(), std::mt19937(n));
    return links;
}

inline std::string storedLinks(const std::string& order, int n, bool loaded) {
    std::string text = "object Frame1: TComponent object Filter1: TComponent OutputPin.SinkPins = (";
    for (const int i : storedOrder(order, n)) {
        const int after = afterOf(order, i, n);
        text += after < 0 ? pinName(i, loaded) : "(" + pinName(i, loaded) + " " + pinName(after, loaded) + ")";
        text += " ";
    }
    return text + ") end end";
}

template <typename Sink>
struct Frame {
    std::unique_ptr<TComponent> root = std::make_unique<TComponent>(nullptr, "Frame1", TComponentKind::Frame);
    std::unique_ptr<TComponent> filter = std::make_unique<TComponent>(root.get(), "Filter1");
    PNOwned<TSGPNRealSourcePin> out = PNMakePin<TSGPNRealSourcePin>(filter.get(), nullptr);
    std::vector<std::unique_ptr<TComponent>> owners;
    std::vector<PNOwned<Sink>> sinks;
    const std::string stored;
    Frame(const std::string& order, int n, bool loaded) : stored(storedLinks(order, n, loaded)) {
        filter->PublishPin("OutputPin", *out);
        for (int i = 0; loaded && i < n; ++i) {
            owners.push_back(std::make_unique<TComponent>(root.get(), "S" + std::to_string(i)));
            sinks.push_back(PNMakePin<Sink>(owners.back().get(), nullptr));
            owners.back()->PublishPin("In", *sinks.back());
        }
    }
    void load() { PNReadRoot(*root, platform::ParseFormText(stored)); }
    void reload() { PNReadRoot(*root, PNWriteRoot(*root)); }
};

}  // namespace storedlinks
