#pragma once
// How a primitive entry point is declared, defined and bound. Each IPP name is
// one plain function pointer in this namespace that holds either the export
// of that name from an optional primitive library or the built-in body
// `_px_<name>`; callers only ever call through the pointer.

#include <type_traits>

#include "media/primitives/IppDefs.h"

// In a header: declares the built-in body `_px_<name>` and the entry point
// `<name>` with the IPP parameter list, e.g.
//   OCULON_IPP_ENTRY(ippsZero_8u, (Ipp8u* pDst, int len));
#define OCULON_IPP_ENTRY(name, params) \
    IppStatus _px_##name params;       \
    extern IppStatus(*name) params

// In the body's source file: defines the entry point. It starts out holding
// the body, so a call made before binding (or in a test) never meets null.
#define OCULON_IPP_DEFINE(name) decltype(&_px_##name) name = &_px_##name

// In a dispatcher's table: the name, bound by the loader its prefix selects.
#define OCULON_BIND(name) \
    ::oculon::primitives::bindEntry<name, &_px_##name>(#name, ::oculon::primitives::loaderFor(#name))

namespace oculon::primitives {

// Which lookup finds a name: the signal library, or the image library with the
// colour-conversion library behind it.
enum class Loader { Signal, Image };

// Names beginning "ipps" come from the signal library, all others from the
// image libraries.
constexpr Loader loaderFor(const char* name) {
    const char prefix[] = "ipps";
    for (int i = 0; i < 4; ++i)
        if (name[i] != prefix[i]) return Loader::Image;
    return Loader::Signal;
}

struct EntryPoint {
    const char* name;
    Loader loader;
    // Stores the export, or the built-in body when the export is null.
    void (*assign)(void* exported);
    // What the entry point holds now, and its built-in body (null for a name
    // that has none), as addresses for comparison.
    const void* (*current)();
    const void* (*body)();
};

namespace detail {

template <typename Fn>
const void* address(Fn fn) {
    if constexpr (std::is_null_pointer_v<Fn>) return nullptr;
    else return reinterpret_cast<const void*>(fn);
}

template <auto& Slot, auto Body>
void assign(void* exported) {
    using Fn = std::remove_reference_t<decltype(Slot)>;
    if (exported) Slot = reinterpret_cast<Fn>(exported);
    else Slot = Body;
}

template <auto& Slot>
const void* current() {
    return address(Slot);
}

template <auto Body>
const void* body() {
    return address(Body);
}

}  // namespace detail

template <auto& Slot, auto Body>
constexpr EntryPoint bindEntry(const char* name, Loader loader) {
    return EntryPoint{name, loader, &detail::assign<Slot, Body>, &detail::current<Slot>, &detail::body<Body>};
}

}  // namespace oculon::primitives
