#pragma once
// Start-up binding of every primitive entry point: the optional libraries are
// loaded, then each dispatcher binds the names of its table in order. Runs
// once, before any worker thread exists; the entry points are read-only
// afterwards and may be called from any thread.

#include <span>

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// The dispatchers in the order they bind.
enum class Dispatcher {
    SGScopeDispatcher,
    SGBasicDispatcher,
    AUBasicDispatcher,
    SGNormDispatcher,
    VDBasicDispatcher,
    VDColorTwistDispatcher,
    SGResizeDispatcher,
};
inline constexpr Dispatcher kDispatchers[] = {
    Dispatcher::SGScopeDispatcher,  Dispatcher::SGBasicDispatcher, Dispatcher::AUBasicDispatcher,
    Dispatcher::SGNormDispatcher,   Dispatcher::VDBasicDispatcher, Dispatcher::VDColorTwistDispatcher,
    Dispatcher::SGResizeDispatcher,
};

const char* dispatcherName(Dispatcher d);
// The names a dispatcher binds, in binding order. A name may appear in more
// than one table; it is still one entry point with one body.
std::span<const EntryPoint> dispatcherEntries(Dispatcher d);

// Loads the libraries and binds every dispatcher; later calls do nothing.
void bindPrimitives();

// Bound from the image libraries although it has no built-in body: null unless
// a library exports it. Nothing calls it, so its parameters are left open.
extern IppStatus (*ippsSVD_64f_D2L)();

// One table per dispatcher, each in its own source file.
std::span<const EntryPoint> sgScopeEntries();
std::span<const EntryPoint> sgBasicEntries();
std::span<const EntryPoint> auBasicEntries();
std::span<const EntryPoint> sgNormEntries();
std::span<const EntryPoint> vdBasicEntries();
std::span<const EntryPoint> vdColorTwistEntries();
std::span<const EntryPoint> sgResizeEntries();

}  // namespace oculon::primitives
