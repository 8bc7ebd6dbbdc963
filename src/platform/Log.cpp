#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace oculon::log {

namespace {

constexpr std::array<std::string_view, 9> kCategoryNames = {"platform", "config", "video", "devices", "app",
                                                            "settings", "player", "media", "tools"};
constexpr std::array<std::string_view, 5> kLevelNames = {"off", "error", "warning", "info", "debug"};
constexpr Level kDefault = Level::warning;

class Levels;
std::string applySpec(Levels& levels, std::string_view spec);
void writeFormatted(Category category, Level level, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The level of each category, read from the environment when first needed.
class Levels {
public:
    Levels() {
        setAll(kDefault);
        if (const char* spec = std::getenv("OCULON_LOG")) {
            const std::string rejected = applySpec(*this, spec);
            if (!rejected.empty())
                writeFormatted(Category::platform, Level::warning, "OCULON_LOG: ignored \"%s\"", rejected.c_str());
        }
    }
    Level get(Category category) const noexcept {
        return levels_[static_cast<std::size_t>(category)].load(std::memory_order_relaxed);
    }
    void set(Category category, Level level) noexcept {
        levels_[static_cast<std::size_t>(category)].store(level, std::memory_order_relaxed);
    }
    void setAll(Level level) noexcept {
        for (auto& l : levels_) l.store(level, std::memory_order_relaxed);
    }

private:
    std::array<std::atomic<Level>, kCategoryNames.size()> levels_;
};

Levels& levels() {
    static Levels instance;
    return instance;
}

template <std::size_t N>
std::optional<std::size_t> indexOf(const std::array<std::string_view, N>& names, std::string_view name) {
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) return std::nullopt;
    return static_cast<std::size_t>(it - names.begin());
}

std::optional<Level> levelNamed(std::string_view name) {
    if (name == "warn") return Level::warning;
    if (name == "none") return Level::off;
    if (const auto i = indexOf(kLevelNames, name)) return static_cast<Level>(*i);
    return std::nullopt;
}

std::string lowerTrimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

bool setCategory(Levels& levels, const std::string& name, Level level) {
    if (name == "*" || name == "all") {
        levels.setAll(level);
        return true;
    }
    const auto category = indexOf(kCategoryNames, name);
    if (category) levels.set(static_cast<Category>(*category), level);
    return category.has_value();
}

// One item: "level" (every category), "category" (at debug) or
// "category:level"; "*" and "all" name every category.
bool apply(Levels& levels, std::string_view item) {
    const auto colon = item.find(':');
    const std::string name = lowerTrimmed(item.substr(0, colon));
    if (colon == std::string_view::npos) {
        if (const auto level = levelNamed(name)) {
            levels.setAll(*level);
            return true;
        }
        return setCategory(levels, name, Level::debug);
    }
    const auto level = levelNamed(lowerTrimmed(item.substr(colon + 1)));
    return level && setCategory(levels, name, *level);
}

std::string applySpec(Levels& levels, std::string_view spec) {
    std::string rejected;
    while (!spec.empty()) {
        const auto comma = spec.find(',');
        const std::string_view item = spec.substr(0, comma);
        if (!lowerTrimmed(item).empty() && !apply(levels, item)) {
            if (!rejected.empty()) rejected += ',';
            rejected += item;
        }
        if (comma == std::string_view::npos) break;
        spec.remove_prefix(comma + 1);
    }
    return rejected;
}

void writeLine(Category category, Level level, const char* format, std::va_list args) {
    const int savedErrno = errno;
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length >= 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        text.back() = '\n';
        const std::string line = std::string(program_invocation_short_name) + "[" +
                                 std::string(kCategoryNames[static_cast<std::size_t>(category)]) + "] " +
                                 std::string(kLevelNames[static_cast<std::size_t>(level)]) + ": " + text;
        // One call per line: stdio's lock keeps lines of several threads whole.
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    errno = savedErrno;
}

void writeFormatted(Category category, Level level, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    writeLine(category, level, format, args);
    va_end(args);
}

}  // namespace

bool enabled(Category category, Level level) { return level != Level::off && level <= levels().get(category); }

#define OCULON_LOG_AT(LEVEL)                      \
    do {                                          \
        if (!enabled(category, LEVEL)) return;    \
        std::va_list args;                        \
        va_start(args, format);                   \
        writeLine(category, LEVEL, format, args); \
        va_end(args);                             \
    } while (false)

void error(Category category, const char* format, ...) { OCULON_LOG_AT(Level::error); }
void warning(Category category, const char* format, ...) { OCULON_LOG_AT(Level::warning); }
void info(Category category, const char* format, ...) { OCULON_LOG_AT(Level::info); }
void debug(Category category, const char* format, ...) { OCULON_LOG_AT(Level::debug); }

#undef OCULON_LOG_AT

std::string configure(std::string_view spec) { return applySpec(levels(), spec); }

void resetLevels() { levels().setAll(kDefault); }

}  // namespace oculon::log
