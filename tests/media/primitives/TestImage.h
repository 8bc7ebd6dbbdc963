#pragma once
// Images for the image-primitive tests: random bytes with a gap after every
// row, top-down or bottom-up (the region pointer on the last stored row and a
// negative step), so that a body that ignores its step, or writes past a row,
// shows in the untouched bytes.

#include <cstddef>
#include <random>
#include <vector>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::test {

struct TestImage {
    int rowBytes = 0;
    int rows = 0;
    int pitch = 0;  // bytes between stored rows
    bool bottomUp = false;
    std::vector<Ipp8u> bytes;

    TestImage(int rowBytes_, int rows_, int gap, bool bottomUp_, unsigned seed)
        : rowBytes(rowBytes_),
          rows(rows_),
          pitch(rowBytes_ + gap),
          bottomUp(bottomUp_),
          bytes(static_cast<std::size_t>(pitch) * rows_) {
        std::mt19937 rng(seed);
        for (Ipp8u& b : bytes) b = static_cast<Ipp8u>(rng());
    }

    int step() const { return bottomUp ? -pitch : pitch; }
    // Row r of the region.
    Ipp8u* row(int r) { return bytes.data() + static_cast<std::ptrdiff_t>(bottomUp ? rows - 1 - r : r) * pitch; }
    const Ipp8u* row(int r) const { return const_cast<TestImage*>(this)->row(r); }
    Ipp8u* origin() { return row(0); }
    Ipp8u& at(int r, int x) { return row(r)[x]; }
    Ipp8u at(int r, int x) const { return row(r)[x]; }
};

// n random bytes.
inline std::vector<Ipp8u> noise(std::size_t n, unsigned seed) {
    std::vector<Ipp8u> v(n);
    std::mt19937 rng(seed);
    for (Ipp8u& b : v) b = static_cast<Ipp8u>(rng());
    return v;
}

// The layouts every region test runs through: packed, a gap of odd length,
// and bottom-up with a gap.
struct Layout {
    int gap;
    bool bottomUp;
};
inline constexpr Layout kLayouts[] = {{0, false}, {5, false}, {3, true}};

}  // namespace oculon::primitives::test
