#pragma once
// The pass of a source pin's fan-out order that puts notify-after pins
// first. In list order, an entry i that names a notify-after pin changes
// places with the first entry j behind it (j > i) whose sink is that pin;
// the entry now at i goes on looking, behind j, for its own notify-after
// pin, and so on until none stands behind. One pass, not until settled: a
// list whose notify-after pins run in a circle changes with every pass.
//
// Done naively, a list that names its notify-after pins in reverse order or
// in a circle takes a quadratic number of exchanges. The same order comes
// out here in time linear in the entries, plus a logarithm each time the
// exchanges go past a pin that is linked twice or waited for by two entries.

#include <cstdint>
#include <vector>

namespace oculon::pins {

// Link i goes to pin `sinks[i]` and is to be told after pin `afters[i]`.
// Pins are numbered below the number of links; kNoAfterPin: none (also for
// a notify-after pin that no link goes to).
inline constexpr std::int32_t kNoAfterPin = -1;

// The order after the pass: entry k of the result is the link that goes to
// place k. Empty when no link changes its place.
std::vector<std::int32_t> PNAfterPinsFirst(const std::vector<std::int32_t>& sinks,
                                           const std::vector<std::int32_t>& afters);

}  // namespace oculon::pins
