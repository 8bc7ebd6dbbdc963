#pragma once
// Start and end of the media library. Starts are counted so that several
// users share one set of process-wide objects: the first start starts the
// graphics start-up, the last end empties the stream-type and converter
// registries and shuts the graphics down.
//
// The graphics start-up belongs to a platform whose pictures this program
// never draws through; here it keeps its started state, so that start and
// end stay paired as the library's users expect, and its table of named
// colours.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace oculon::pins {

void GOWInitGlobals();
void GOWUninitGlobals();  // a call without a start is ignored
bool GOWInitialised();

// One start of the library for the object's life.
class TPNLibrary {
public:
    TPNLibrary() { GOWInitGlobals(); }
    ~TPNLibrary() { GOWUninitGlobals(); }
    TPNLibrary(const TPNLibrary&) = delete;
    TPNLibrary& operator=(const TPNLibrary&) = delete;
};

// Nothing when already started (stopped).
void StartIGDIPlus();
void StopIGDIPlus();
bool IGDIPlusStarted();
int IGDIPlusStartups();  // real start-ups since the process began

// The 141 named colours of the graphics start-up (alpha in the top byte,
// then red, green, blue), in order of their names; available while it is
// started, empty otherwise.
struct TPNNamedColor {
    std::uint32_t ARGB;
    std::string_view Name;
};
std::span<const TPNNamedColor> PNNamedColors();
// The colour of that exact name while the graphics are started.
std::optional<std::uint32_t> PNColorByName(std::string_view name);

}  // namespace oculon::pins
