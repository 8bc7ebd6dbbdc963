// A gateway library of another make: it exports only some of the entry
// points, so the loader's test sees which stay empty.
#include "devices/neci/NeciSdk.h"

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

PARTIAL_EXPORT int dsc_EnumSearch(int, DSC_SEARCH_CALLBACK) { return 1; }
PARTIAL_EXPORT int dsc_Attach(const DS_INFO*, int*) { return 0; }
PARTIAL_EXPORT int dsc_Locate(int, void*) { return 0; }
PARTIAL_EXPORT int dsc_SetSearchOpt(int, void*) { return 0; }
