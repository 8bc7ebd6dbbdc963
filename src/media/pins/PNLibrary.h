#pragma once
// Start and end of the media library. Starts are counted so that several
// users share one set of process-wide objects: the first start starts the
// graphics start-up, the last end empties the stream-type and converter
// registries and shuts the graphics down.
//
// The graphics start-up belongs to a platform whose pictures this program
// never draws through; here it keeps only its started state, so that start
// and end stay paired as the library's users expect.

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

}  // namespace oculon::pins
