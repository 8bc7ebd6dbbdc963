#pragma once
// Diagnostics of the program and its tools: one line per message on stderr,
// "<program>[<category>] <level>: <text>". Each module logs under its own
// category. Errors and warnings show by default, info and debug only when the
// environment asks for them:
//   OCULON_LOG=devices:debug,video:info   two categories
//   OCULON_LOG=debug                      every category
//   OCULON_LOG=devices                    one category at debug
//   OCULON_LOG=off                        nothing, not even errors
// A message below its category's level costs a call and one atomic load; the
// text is only formatted when it is written. Any thread.
//
// The namespace is oculon::log rather than oculon::platform::log so that every
// module writes log::warning(log::Category::video, ...).

#include <cstdint>
#include <string>
#include <string_view>

namespace oculon::log {

enum class Level : std::uint8_t { off, error, warning, info, debug };

enum class Category : std::uint8_t { platform, config, video, devices, app, settings, player, media, tools };

bool enabled(Category category, Level level);

// printf-style; errno is kept across the call.
void error(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void warning(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void info(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void debug(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sets levels from an OCULON_LOG text on top of the current ones; items apply
// left to right. Returns the items it did not understand, comma-separated
// (empty when all were understood); those change nothing. The environment is
// read by the first message or enabled() call, and what it got wrong is
// reported then.
std::string configure(std::string_view spec);
// Every category back to the default (warning).
void resetLevels();

}  // namespace oculon::log
