// Arbitrary bytes as the settings file: read as the start reads it (wrong
// lines left out), loaded into the settings object, saved and loaded again.
// Nothing may crash, whatever the nesting or encoding; what was read must be
// written and read back strictly to the same text (so a saved file never
// grows past what the next start accepts, nor holds a line it would leave
// out), and a save followed by a load must keep every station and camera.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "config/cfgUnit.h"
#include "platform/Registry.h"

using namespace oculon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<platform::RegistryKey> tree;
    try {
        tree = platform::readRegedit4(std::string(reinterpret_cast<const char*>(data), size)).tree;
    } catch (const platform::RegistryError&) {
        return 0;
    }
    const std::string text = platform::serializeRegedit4(*tree);
    if (platform::serializeRegedit4(*platform::parseRegedit4(text)) != text) __builtin_trap();
    auto store = std::make_shared<platform::MemoryRegistryStore>(std::move(tree));
    try {
        config::TVideoConfig cfg(store);
        cfg.getConfigByName("Tuer");
        cfg.getConfigByIP("10.0.0.1:80");
        cfg.getConfigByPhone("");
        cfg.getConfigByNumber(0);
        cfg.getSurvConfigByIp("10.0.0.1:80");
        cfg.authenticate("");
        std::vector<std::string> ids;
        cfg.liesID(ids);
        cfg.schreibConfig();
        cfg.schreibeUeberwachungKameras();

        config::TVideoConfig again(store);
        if (again.Count() != cfg.Count() || again.manualList().size() != cfg.manualList().size() ||
            again.survList().size() != cfg.survList().size())
            __builtin_trap();
    } catch (const config::EInvalidVersionException&) {}
    return 0;
}
