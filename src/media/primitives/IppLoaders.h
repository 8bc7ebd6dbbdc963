#pragma once
// The optional primitive libraries, looked up by their file names, and the
// lookup of an export by name. Every library is optional: a missing library
// or a missing name gives null, and the entry point keeps its built-in body.

namespace oculon::primitives {

inline constexpr const char* kSignalLibrary = "ipps-5.1.dll";
inline constexpr const char* kCoreLibrary = "ippcore-5.1.dll";
inline constexpr const char* kImageLibrary = "ippi-5.1.dll";
inline constexpr const char* kColourLibrary = "ippcc-5.1.dll";

// Loads whichever of the four libraries can be found, once per process; later
// calls do nothing. Runs before any dispatcher binds its names.
void loadPrimitiveLibraries();

// The export in the signal library, or null.
void* GetIPPSProcAddress(const char* name);
// The export in the core library, or null.
void* GetIPPCoreProcAddress(const char* name);
// The export in the image library; failing that, in the colour-conversion
// library; else null.
void* GetIPPIProcAddress(const char* name);

int ippGetCpuType_Default();
// The core library's processor query, or the default. Nothing decides on its
// result; it is kept because the core library is bound like the others.
extern int (*ippGetCpuType)();

}  // namespace oculon::primitives
