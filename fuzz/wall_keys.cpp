// What reaches the surveillance wall from outside: tile keys read back from
// the settings file, and the caption a drag onto a tile carries (any program
// can start a drag), together with the layout and window size it meets.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "config/cfgUnit.h"
#include "platform/Registry.h"
#include "video/ueberwachungKameras.h"
#include "video/ueberwachungLayout.h"

using namespace oculon;
using namespace oculon::video;

namespace {

config::TVideoConfig& settings() {
    static const auto s = [] {
        auto c = std::make_unique<config::TVideoConfig>(std::make_shared<platform::MemoryRegistryStore>());
        config::TSingleConfig station;
        station.Name = "Hof";
        station.Ip = "10.77.0.2";
        station.Port = "80";
        c->addConfig(station);
        return c;
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const auto layout = static_cast<config::TLayoutTyp>(data[0]);
    const PixelSize client{data[1] * 8, data[2] * 8};
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);

    const int tile = tileOfKey(text, layout);
    if (tile != -1 && (tile < 0 || tile >= tileCount(layout) || tileKey(tile) != text)) __builtin_trap();

    const WallGeometry g = wallGeometry(layout, client);
    if (static_cast<int>(g.tiles.size()) != tileCount(layout)) __builtin_trap();
    const PixelSize minimum = minimumClientSize(layout);
    if (client.width >= minimum.width && client.height >= minimum.height) {
        for (const TileGeometry& t : g.tiles) {
            if (t.tile.left < 0 || t.tile.top < 0 || t.tile.width <= 0 || t.tile.height <= 0 ||
                t.tile.left + t.tile.width > client.width || t.tile.top + t.tile.height > client.height)
                __builtin_trap();
        }
    }

    const DiscoveryLookup none = [](const std::string&) { return std::optional<DiscoveredCamera>(); };
    const DropDecision d = decideDrop(text, settings(), none, {"Hof"}, 1);
    if (d.kind == DropDecision::Kind::station || d.kind == DropDecision::Kind::device) __builtin_trap();
    return 0;
}
