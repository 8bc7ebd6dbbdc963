#pragma once
// Text from a device or a file made fit to show a person: cut to a length a
// message can hold, and every character that would act rather than show (line
// breaks, terminal escapes, direction marks and overrides, invisible joiners
// and tags, broken UTF-8) written as an escape, so what a host or a file says
// cannot change how a message reads.

#include <cstddef>
#include <string>
#include <string_view>

namespace oculon::platform {

inline constexpr std::size_t kShownTextLimit = 300;

// `text` (UTF-8) with control, direction and invisible characters as "\xNN",
// "\uNNNN" or "\UNNNNNNNN" and bytes that are no UTF-8 as "\xNN"; past
// `limit` characters the rest is left out and "…" ends the text.
std::string shownText(std::string_view text, std::size_t limit = kShownTextLimit);

}  // namespace oculon::platform
