#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/LocalTime.h"
#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/UniqueFd.h"
#include "platform/UserNotice.h"

namespace oculon::platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRootName = "HKEY_CURRENT_USER";
constexpr std::size_t kMaxKeyName = 255;
// Far beyond what the program's own keys need. Each key of a file repeats its
// whole path when written, so depth and path length bound how much a file can
// grow on its way back to disk.
constexpr std::size_t kMaxKeyDepth = 32;
constexpr std::size_t kMaxKeyPath = 512;  // "\A\B\C" below HKEY_CURRENT_USER
constexpr std::size_t kMaxValueName = 16383;
// Read and write alike, so whatever is saved loads again.
constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

std::string joinPath(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) out += "\\" + p;
    return out;
}

// A key below HKEY_CURRENT_USER with these names may exist: the same bound for
// the file and for keys the program opens.
bool keyPathFits(const std::vector<std::string>& names) {
    if (names.size() > kMaxKeyDepth) return false;
    std::size_t length = 0;
    for (const auto& name : names) {
        if (name.empty() || name.size() > kMaxKeyName) return false;
        length += 1 + name.size();
    }
    return length <= kMaxKeyPath;
}

RegistryKey* walk(RegistryKey& root, const std::string& absPath) {
    RegistryKey* key = &root;
    for (const auto& part : splitPath(absPath)) {
        key = key->find(part);
        if (!key) return nullptr;
    }
    return key;
}

RegistryKey& walkCreate(RegistryKey& root, const std::string& absPath) {
    RegistryKey* key = &root;
    for (const auto& part : splitPath(absPath)) key = &key->getOrCreate(part);
    return *key;
}

// --- REGEDIT4 text ---------------------------------------------------------

bool needsHex(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

void writeValue(std::string& out, const std::string& name, const RegValue& value) {
    out += name.empty() ? std::string("@") : quote(name);
    out += '=';
    if (const auto* dw = std::get_if<std::uint32_t>(&value)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *dw);
        out += buf;
    } else {
        const auto& s = std::get<std::string>(value);
        if (!needsHex(s)) {
            out += quote(s);
        } else {
            // Text with line breaks or other control bytes: the string's bytes in hex.
            out += "hex(1):";
            char buf[4];
            for (unsigned char c : s) {
                std::snprintf(buf, sizeof buf, "%02x,", c);
                out += buf;
            }
            out += "00";
        }
    }
    out += "\r\n";
}

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kHeader = "REGEDIT4";
// The newer editors' header; their text values in hex are UTF-16LE.
constexpr std::string_view kWideHeader = "Windows Registry Editor Version 5.00";
constexpr std::size_t kListedSkips = 8;

std::string_view trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::string_view afterBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE as UTF-8; a surrogate without its partner, and an odd last byte,
// become U+FFFD.
std::string utf16leAsUtf8(std::string_view bytes) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&bytes](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1])
                                                                                << 8);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else {
            appendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
        }
    }
    if (i < bytes.size()) appendUtf8(out, kReplacement);
    return out;
}

// The file's text as UTF-8 without a byte-order mark.
std::string withoutByteOrderMark(const std::string& text) {
    if (text.rfind("\xFF\xFE", 0) == 0) return utf16leAsUtf8(std::string_view(text).substr(2));
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) return text.substr(3);
    return text;
}

// A quoted text from s[i] (the opening quote) on, with i moved past its
// closing quote; nothing when it does not close.
std::optional<std::string> quotedAt(std::string_view s, std::size_t& i) {
    std::string out;
    ++i;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"') return out;
        if (c == '\\') {
            if (i >= s.size()) break;
            c = s[i++];
        }
        out += c;
    }
    return std::nullopt;
}

// A value line cut at its '=': the name, and what follows without blanks.
struct ValueLine {
    std::string name;
    std::string_view data;
};

// Nothing when `line` is shaped as a value; otherwise why it is not.
std::optional<SettingsFault> splitValue(std::string_view line, ValueLine& out) {
    std::size_t i = 1;
    if (line.front() == '"') {
        i = 0;
        auto name = quotedAt(line, i);
        if (!name) return SettingsFault::unterminatedValueName;
        out.name = std::move(*name);
    } else if (line.front() != '@') {
        return SettingsFault::expectedValueName;
    }
    const std::string_view rest = afterBlanks(line.substr(i));
    if (rest.empty() || rest.front() != '=') return SettingsFault::expectedEquals;
    out.data = afterBlanks(rest.substr(1));
    return std::nullopt;
}

// What continues a value's hex data after a trailing backslash: a line of hex
// digits, commas and blanks, itself perhaps ending in a backslash.
bool continuesHexData(std::string_view part) {
    if (part.empty()) return false;
    if (part.back() == '\\') part.remove_suffix(1);
    return part.find_first_not_of("0123456789abcdefABCDEF, \t") == std::string_view::npos;
}

bool startsHexValue(std::string_view line) {
    ValueLine v;
    return !splitValue(line, v) && v.data.rfind("hex", 0) == 0;
}

class Regedit4Reader {
public:
    explicit Regedit4Reader(std::string text) : text_(std::move(text)) {}

    ReadSettings read() {
        ReadSettings result;
        result.tree = std::make_unique<RegistryKey>();
        std::string line;
        while (nextLine(line)) {
            if (line.empty() || line.front() == ';' || line.front() == '#') continue;
            try {
                take(*result.tree, line);
            } catch (const LineFault& fault) {
                skip(result, fault.why, line);
            }
        }
        result.headerMissing = !started_ || headerMissing_;
        return result;
    }

private:
    struct LineFault {
        SettingsFault why;
    };
    [[noreturn]] static void fail(SettingsFault why) { throw LineFault{why}; }

    void skip(ReadSettings& result, SettingsFault why, const std::string& line) const {
        if (result.skippedCount++ < kListedSkips) result.skipped.push_back({std::max(lineStart_, 1), line, why});
    }

    void take(RegistryKey& root, const std::string& line) {
        if (!started_) {
            started_ = true;
            wide_ = line == kWideHeader;
            if (wide_ || line == kHeader) return;
            // Read on as if it were there: a header left out costs no settings.
            headerMissing_ = true;
        }
        if (line.front() == '[') {
            current_ = nullptr;
            current_ = &section(root, line);
        } else if (!current_) {
            fail(sawKey_ ? SettingsFault::keyLineLeftOut : SettingsFault::valueOutsideKey);
        } else if (cutShort_) {
            fail(SettingsFault::hexDataBreaksOff);
        } else {
            value(*current_, line);
        }
    }

    // One logical line without the blanks around it: CR stripped, and the
    // hex data a trailing backslash continues joined; each line is looked at
    // once. A line that does not continue the data ends the value, cut short,
    // and is read on its own.
    bool nextLine(std::string& line) {
        if (pos_ >= text_.size()) return false;
        lineStart_ = lineNo_ + 1;
        cutShort_ = false;
        line.assign(takeLine());
        if (!line.empty() && line.back() == '\\' && startsHexValue(line)) {
            while (line.back() == '\\') {
                if (pos_ >= text_.size() || !continuesHexData(lineAt(pos_))) {
                    cutShort_ = true;
                    break;
                }
                line.pop_back();
                line += takeLine();
            }
        }
        return true;
    }

    // The physical line from `at` on, without its CR and the blanks around it.
    std::string_view lineAt(std::size_t at) const {
        std::string_view part = std::string_view(text_).substr(at, text_.find('\n', at) - at);
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        return trimmed(part);
    }
    std::string_view takeLine() {
        const std::string_view part = lineAt(pos_);
        const auto end = text_.find('\n', pos_);
        pos_ = end == std::string::npos ? text_.size() : end + 1;
        ++lineNo_;
        return part;
    }

    RegistryKey& section(RegistryKey& root, const std::string& line) {
        sawKey_ = true;
        if (line.back() != ']') fail(SettingsFault::unterminatedKeyName);
        std::string path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-') fail(SettingsFault::keyDeletion);
        auto parts = splitPath(path);
        if (parts.empty() || !CaseInsensitiveEqual(parts.front(), kRootName)) fail(SettingsFault::keyOutsideRoot);
        if (path.find("\\\\") != std::string::npos || path.back() == '\\') fail(SettingsFault::emptyKeyName);
        parts.erase(parts.begin());
        if (!keyPathFits(parts)) fail(SettingsFault::keyTooDeep);
        RegistryKey* key = &root;
        for (const auto& part : parts) key = &key->getOrCreate(part);
        return *key;
    }

    static bool CaseInsensitiveEqual(const std::string& a, const std::string& b) {
        return !CaseInsensitiveLess{}(a, b) && !CaseInsensitiveLess{}(b, a);
    }

    void value(RegistryKey& key, const std::string& line) {
        ValueLine v;
        if (const auto why = splitValue(line, v)) fail(*why);
        if (v.name.size() > kMaxValueName) fail(SettingsFault::valueNameTooLong);
        const std::string_view data = v.data;
        if (!data.empty() && data[0] == '"') {
            std::size_t j = 0;
            auto s = quotedAt(data, j);
            if (!s) fail(SettingsFault::unterminatedString);
            if (j != data.size()) fail(SettingsFault::textAfterValue);
            // Written back it would need hex, which holds no NUL inside a text either.
            if (s->find('\0') != std::string::npos) fail(SettingsFault::nulInText);
            store(key, std::move(v.name), std::move(*s));
        } else if (data.rfind("dword:", 0) == 0) {
            store(key, std::move(v.name), dword(afterBlanks(data.substr(6))));
        } else if (data.rfind("hex(1):", 0) == 0) {
            std::string bytes = hexBytes(data.substr(7));
            if (wide_) bytes = utf16leAsUtf8(bytes);
            if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
            if (bytes.find('\0') != std::string::npos) fail(SettingsFault::nulInText);
            store(key, std::move(v.name), std::move(bytes));
        } else {
            fail(SettingsFault::unsupportedType);
        }
    }

    // A value given twice in a key keeps the first: which of them was meant
    // cannot be told.
    static void store(RegistryKey& key, std::string name, RegValue value) {
        if (const auto it = key.values.find(name); it != key.values.end()) {
            if (it->second != value) fail(SettingsFault::valueGivenTwice);
            return;
        }
        key.values.emplace(std::move(name), std::move(value));
    }

    static std::uint32_t dword(std::string_view s) {
        if (s.empty() || s.size() > 8) fail(SettingsFault::badDword);
        std::uint32_t v = 0;
        for (char c : s) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) fail(SettingsFault::badDword);
            v = v * 16 +
                static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : lower(c) - 'a' + 10);
        }
        return v;
    }

    static std::string hexBytes(std::string_view s) {
        std::string out;
        std::size_t i = 0;
        while (i < s.size()) {
            if (s[i] == ',' || s[i] == ' ' || s[i] == '\t') {
                ++i;
                continue;
            }
            if (i + 1 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i])) ||
                !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
                fail(SettingsFault::badHexData);
            out += static_cast<char>(std::stoi(std::string(s.substr(i, 2)), nullptr, 16));
            i += 2;
        }
        return out;
    }

    const std::string text_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
    int lineStart_ = 0;
    bool started_ = false;  // past the first line, the header's place
    bool headerMissing_ = false;
    bool wide_ = false;
    bool sawKey_ = false;
    bool cutShort_ = false;  // the line is a value whose hex data breaks off
    RegistryKey* current_ = nullptr;
};

std::string timestamp() {
    const std::tm tm = localNow();
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

std::string failure(const std::string& path, int error) { return path + ": " + std::strerror(error); }

enum class FileRead { missing, read, tooLarge, failed };

// The whole file into `text`, or its first kMaxFileSize bytes and a little
// more when it is larger; `failure` says why when it failed.
FileRead readSettingsFile(const std::string& path, std::string& text, UnreadableSettings& failure) {
    failure.path = path;
    const auto failed = [&failure](UnreadableSettings::Why why, int error) {
        failure.why = why;
        failure.error = error;
        return FileRead::failed;
    };
    // Not blocked by a FIFO in its place.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        const int why = errno;
        // A link whose file is gone (on a disk not mounted yet) holds the
        // user's settings all the same: no first start.
        if (struct stat link{}; why == ENOENT && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            std::error_code unread;
            failure.target = fs::read_symlink(path, unread).string();
            return failed(UnreadableSettings::Why::linkLeadsNowhere, why);
        }
        if (why == ENOENT) return FileRead::missing;
        return failed(UnreadableSettings::Why::cannotOpen, why);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return failed(UnreadableSettings::Why::cannotRead, errno);
    if (!S_ISREG(info.st_mode)) return failed(UnreadableSettings::Why::notAFile, 0);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(UnreadableSettings::Why::cannotRead, errno);
        if (n == 0) return FileRead::read;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxFileSize) return FileRead::tooLarge;
    }
}

// The lines of `text` that its first kMaxFileSize bytes hold whole: a line
// cut short could read as another value ("dword:0000001" of
// "dword:00000010"). A line break of UTF-16 text is two bytes at an even
// place after its byte-order mark.
std::string wholeLinesOfItsStart(std::string text) {
    text.resize(std::min(text.size(), kMaxFileSize));
    const bool wide = text.rfind("\xFF\xFE", 0) == 0;
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t at = text.rfind('\n', end - 1);
        if (at == std::string::npos) {
            end = 0;
        } else if (!wide) {
            end = at + 1;
            break;
        } else if (at % 2 == 0 && at + 1 < text.size() && text[at + 1] == '\0') {
            end = at + 2;
            break;
        } else {
            end = at;
        }
    }
    text.resize(end);
    return text;
}

// Earlier copies of the same second a set-aside copy steps past.
constexpr int kAsideNames = 100;

// The names a copy of `path` may take, in turn: "<path>.broken-<time>",
// then "-2", "-3", ...
std::string asideName(const std::string& path, const std::string& time, int n) {
    const std::string base = path + ".broken-" + time;
    return n == 1 ? base : base + "-" + std::to_string(n);
}

// The first of those names that nothing has yet; empty when there is none.
std::string freeAsideName(const std::string& path) {
    const std::string time = timestamp();
    for (int n = 1; n <= kAsideNames; ++n) {
        std::string name = asideName(path, time, n);
        if (struct stat info{}; ::lstat(name.c_str(), &info) != 0 && errno == ENOENT) return name;
    }
    return {};
}

// Keeps the file at `path` as it was under a name beside it that no earlier
// copy has, `aside` first when it names one: the bytes read written to a new
// file (mode 0600: it holds device passwords), or, when they were not read
// whole, the file itself moved there. Empty on success, with the name in
// `aside`; otherwise why not, and the system's reason in `error` (0: every
// name was taken).
std::string keepAside(const std::string& path, const std::string& text, bool readWhole, std::string& aside,
                      int& error) {
    const std::string wanted = aside;
    const std::string time = timestamp();
    for (int n = wanted.empty() ? 1 : 0; n <= kAsideNames; ++n) {
        aside = n == 0 ? wanted : asideName(path, time, n);
        const UniqueFd fd(::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) {
            if (errno == EEXIST) continue;
            error = errno;
            return failure(aside, error);
        }
        const bool kept = readWhole ? writeAll(fd.get(), text) && ::fsync(fd.get()) == 0
                                    : std::rename(path.c_str(), aside.c_str()) == 0;
        if (kept) return {};
        error = errno;
        ::unlink(aside.c_str());
        return failure(aside, error);
    }
    error = 0;
    return asideName(path, time, 1) + ": " + std::to_string(kAsideNames) + " earlier copies are in the way";
}

// The file a save of `path` replaces: `path` itself, or, where that is the
// user's link (into a folder of files kept elsewhere, say), the file it leads
// to, so that the link stays. Only a plain file of this user's in a folder of
// this user's is written through a link: nothing another account has a hand
// in. Empty when `target` may be replaced; otherwise why not.
std::string saveTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {};
    const auto refused = [&path](const std::string& why) {
        return path + " is a link " + why + "; the link is kept and the settings are not saved there";
    };
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return refused("that leads nowhere (" + std::string(std::strerror(errno)) + ")");
    target = resolved;
    std::free(resolved);
    const uid_t user = ::geteuid();
    struct stat file {};
    if (::lstat(target.c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_uid != user)
        return refused("to " + target + ", which is no file of this user's");
    struct stat folder {};
    if (::stat(folderOfFile(target).c_str(), &folder) != 0 || folder.st_uid != user)
        return refused("to " + target + ", in a folder that is not this user's");
    return {};
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

RegistryKey* RegistryKey::find(const std::string& child) const {
    auto it = subkeys.find(child);
    return it == subkeys.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::getOrCreate(const std::string& child) {
    auto& slot = subkeys[child];
    if (!slot) slot = std::make_unique<RegistryKey>();
    return *slot;
}

bool RegistryKey::remove(const std::string& child) { return subkeys.erase(child) > 0; }

// Trees are copied, written and freed in flat loops over a worklist, never by
// recursion, so no tree is deep enough to exhaust the stack.

RegistryKey::~RegistryKey() {
    std::vector<std::unique_ptr<RegistryKey>> pending;
    const auto adopt = [&pending](RegistryKey& key) {
        for (auto& entry : key.subkeys) pending.push_back(std::move(entry.second));
        key.subkeys.clear();
    };
    adopt(*this);
    while (!pending.empty()) {
        const std::unique_ptr<RegistryKey> key = std::move(pending.back());
        pending.pop_back();
        adopt(*key);
    }
}

std::unique_ptr<RegistryKey> RegistryKey::clone() const {
    auto copy = std::make_unique<RegistryKey>();
    std::vector<std::pair<const RegistryKey*, RegistryKey*>> pending{{this, copy.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->values = from->values;
        for (const auto& [name, sub] : from->subkeys) {
            auto& slot = to->subkeys.emplace_hint(to->subkeys.end(), name, std::make_unique<RegistryKey>())->second;
            pending.emplace_back(sub.get(), slot.get());
        }
    }
    return copy;
}

std::string serializeRegedit4(const RegistryKey& root) {
    struct Pending {
        const RegistryKey* key;
        std::vector<std::string> names;  // below HKEY_CURRENT_USER
    };
    std::string out = "REGEDIT4\r\n\r\n";
    std::vector<Pending> pending;
    // Children go on the stack in reverse, so keys come out depth first in
    // name order.
    const auto pushChildren = [&pending](const RegistryKey& key, const std::vector<std::string>& names) {
        for (auto it = key.subkeys.rbegin(); it != key.subkeys.rend(); ++it) {
            pending.push_back({it->second.get(), names});
            pending.back().names.push_back(it->first);
        }
    };
    pushChildren(root, {});
    while (!pending.empty()) {
        const Pending next = std::move(pending.back());
        pending.pop_back();
        if (!keyPathFits(next.names)) throw RegistryError("settings: a key nested too deep or named too long");
        out += '[';
        out += kRootName;
        out += joinPath(next.names);
        out += "]\r\n";
        for (const auto& [name, value] : next.key->values) writeValue(out, name, value);
        out += "\r\n";
        if (out.size() > kMaxFileSize) throw RegistryError("settings too large for the settings file");
        pushChildren(*next.key, next.names);
    }
    return out;
}

const char* faultText(SettingsFault fault) {
    switch (fault) {
        case SettingsFault::unterminatedValueName: return "unterminated value name";
        case SettingsFault::expectedValueName: return "expected a value name";
        case SettingsFault::expectedEquals: return "expected '='";
        case SettingsFault::keyLineLeftOut: return "its key line was left out";
        case SettingsFault::valueOutsideKey: return "value outside a key";
        case SettingsFault::hexDataBreaksOff: return "its hex data breaks off";
        case SettingsFault::unterminatedKeyName: return "unterminated key name";
        case SettingsFault::keyDeletion: return "key deletion is not supported";
        case SettingsFault::keyOutsideRoot: return "key outside HKEY_CURRENT_USER";
        case SettingsFault::emptyKeyName: return "empty key name";
        case SettingsFault::keyTooDeep: return "key nested too deep or its name too long";
        case SettingsFault::valueNameTooLong: return "value name too long";
        case SettingsFault::unterminatedString: return "unterminated string";
        case SettingsFault::textAfterValue: return "text after the value";
        case SettingsFault::nulInText: return "NUL inside a text";
        case SettingsFault::unsupportedType: return "unsupported value type";
        case SettingsFault::valueGivenTwice: return "a value of this name came before in the key; case does not count";
        case SettingsFault::badDword: return "bad dword";
        case SettingsFault::badHexData: return "bad hex data";
        case SettingsFault::fileTooLarge: return "settings file too large";
        case SettingsFault::wouldNotFit: return "the settings would not fit in the file once saved again";
        case SettingsFault::notANumber: return "not a number";
        case SettingsFault::notAText: return "not a text";
        case SettingsFault::notUtf8: return "a text that is no UTF-8; taken as it is";
    }
    return "?";
}

ReadSettings readRegedit4(const std::string& text) {
    if (text.size() > kMaxFileSize) throw SettingsFileError(SettingsFault::fileTooLarge);
    ReadSettings read = Regedit4Reader(withoutByteOrderMark(text)).read();
    try {
        (void)serializeRegedit4(*read.tree);
    } catch (const RegistryError&) {
        throw SettingsFileError(SettingsFault::wouldNotFit);
    }
    return read;
}

std::unique_ptr<RegistryKey> parseRegedit4(const std::string& text) {
    ReadSettings read = readRegedit4(text);
    if (!read.skipped.empty())
        throw RegistryError("settings file, line " + std::to_string(read.skipped.front().number) + ": " +
                            faultText(read.skipped.front().why));
    if (read.headerMissing) throw RegistryError("settings file without its REGEDIT4 header");
    return std::move(read.tree);
}

void UnusableValues::note(Value value) {
    if (count++ < kListedSkips) listed.push_back(std::move(value));
}

std::string UnreadableSettings::describe() const {
    switch (why) {
        case Why::linkLeadsNowhere: return path + " \u2192 " + target + ": " + std::strerror(error);
        case Why::cannotOpen:
        case Why::cannotRead: return failure(path, error);
        case Why::notAFile: return path + ": not a plain file";
        case Why::cannotKeepCopy:
            return path + ": it cannot be read whole, and it could not be kept beside itself: " +
                   (error != 0 ? std::strerror(error) : "earlier copies are in the way");
    }
    return path;
}

// --- stores ----------------------------------------------------------------

namespace {

// How many unusable values are written as taken at most: the rest are told
// again at the next start. Bounds what a hostile file holds in memory.
constexpr std::size_t kTakenValues = 4096;

}  // namespace

void RegistryStore::noteUnusable(const std::string& path, const std::string& name, SettingsFault why,
                                 std::optional<RegValue> takenAs) {
    std::lock_guard lock(mutex_);
    const RegistryKey* key = walk(*root_, path);
    if (key == nullptr) return;
    const auto it = key->values.find(name);
    if (it == key->values.end()) return;
    // As the file spells it, so that it is found there.
    std::string line;
    writeValue(line, it->first, it->second);
    line.resize(line.size() - 2);  // its line break
    unusable_.note({"[" + std::string(kRootName) + path + "]", std::move(line), why});
    if (why != SettingsFault::notUtf8 && taken_.size() < kTakenValues)
        taken_.push_back({path, it->first, it->second, std::move(takenAs)});
}

UnusableValues RegistryStore::unusableValues() {
    std::lock_guard lock(mutex_);
    return unusable_;
}

void RegistryStore::writeUnusableAsTaken() {
    std::lock_guard lock(mutex_);
    if (taken_.empty()) return;
    for (Taken& value : taken_) {
        RegistryKey* key = walk(*root_, value.path);
        if (key == nullptr) continue;
        const auto it = key->values.find(value.name);
        if (it == key->values.end() || it->second != value.written) continue;
        if (value.takenAs) {
            it->second = std::move(*value.takenAs);
        } else {
            key->values.erase(it);
        }
    }
    taken_.clear();
    dirty_ = true;
    if (batchDepth_ == 0) flush();
}

void RegistryStore::flush() {
    if (!dirty_) return;
    persist(*root_);
    dirty_ = false;
}

RegistryBatch::RegistryBatch(RegistryStore& store) : store_(store) {
    store_.mutex_.lock();
    ++store_.batchDepth_;
}

RegistryBatch::~RegistryBatch() {
    if (--store_.batchDepth_ == 0) store_.flush();
    store_.mutex_.unlock();
}

MemoryRegistryStore::MemoryRegistryStore() : RegistryStore(std::make_unique<RegistryKey>()) {}
MemoryRegistryStore::MemoryRegistryStore(std::unique_ptr<RegistryKey> root) : RegistryStore(std::move(root)) {}

struct FileRegistryStore::Loaded {
    std::unique_ptr<RegistryKey> tree = std::make_unique<RegistryKey>();
    SetAsideReport setAside;
    Notice setAsideNotice = Notice::settingsStartedAfresh;
    std::string keptAs;
    bool moveOnSeen = false;
    std::optional<UnreadableSettings> unreadable;
};

std::unique_ptr<RegistryKey> FileRegistryStore::peek(const std::string& path) {
    std::string text;
    UnreadableSettings unread;
    if (readSettingsFile(path, text, unread) == FileRead::read) {
        try {
            return readRegedit4(text).tree;
        } catch (const RegistryError&) {}
    }
    return std::make_unique<RegistryKey>();
}

FileRegistryStore::Loaded FileRegistryStore::load(const std::string& path) {
    // A save cut short leaves a temporary copy of the tree, passwords
    // included. Only the store's owner saves this file (it holds the instance
    // lock), so none of them is still in use.
    removeTemporaryFiles(path);
    if (std::string target; saveTarget(path, target).empty() && target != path) removeTemporaryFiles(target);
    Loaded loaded;
    std::string text;
    UnreadableSettings unread;
    SetAsideReport report;
    report.path = path;
    const FileRead read = readSettingsFile(path, text, unread);
    if (read == FileRead::missing) return loaded;  // no file yet: empty settings
    if (read == FileRead::failed) {
        loaded.unreadable = std::move(unread);
        return loaded;
    }
    const bool tooLarge = read == FileRead::tooLarge;
    if (tooLarge) {
        // Moved aside with the first write, so that until then the file is
        // where it was, whatever ends the program.
        loaded.keptAs = freeAsideName(path);
        if (loaded.keptAs.empty()) {
            loaded.unreadable = UnreadableSettings{path, {}, UnreadableSettings::Why::cannotKeepCopy, 0};
            return loaded;
        }
        loaded.moveOnSeen = true;
        report.onlyItsStart = true;
        text = wholeLinesOfItsStart(std::move(text));
    }
    try {
        ReadSettings settings = readRegedit4(text);
        if (settings.skippedCount == 0 && !tooLarge) {
            loaded.tree = std::move(settings.tree);
            return loaded;
        }
        report.lines = std::move(settings.skipped);
        report.lineCount = settings.skippedCount;
        const bool anyLoaded = !settings.tree->values.empty() || !settings.tree->subkeys.empty();
        if (anyLoaded) loaded.setAsideNotice = Notice::settingsPartlyRead;
        loaded.tree = std::move(settings.tree);
    } catch (const SettingsFileError& e) {
        report.whole = e.fault();
    }
    if (!tooLarge) {
        // Keep the file as it was for the user; one that cannot be kept must
        // not be overwritten either.
        int error = 0;
        if (std::string why = keepAside(path, text, true, loaded.keptAs, error); !why.empty()) {
            loaded.tree = std::make_unique<RegistryKey>();
            loaded.unreadable = UnreadableSettings{path, {}, UnreadableSettings::Why::cannotKeepCopy, error};
            loaded.keptAs.clear();
            return loaded;
        }
    }
    loaded.setAside = std::move(report);
    return loaded;
}

FileRegistryStore::FileRegistryStore(std::string path) : FileRegistryStore(path, load(path)) {}

FileRegistryStore::FileRegistryStore(std::string path, Loaded loaded)
    : RegistryStore(std::move(loaded.tree)),
      path_(std::move(path)),
      setAside_(std::move(loaded.setAside)),
      setAsideNotice_(loaded.setAsideNotice),
      keptAs_(std::move(loaded.keptAs)),
      moveOnSeen_(loaded.moveOnSeen),
      held_(!setAside_.empty()),
      unreadable_(std::move(loaded.unreadable)) {}

FileRegistryStore::~FileRegistryStore() {
    // Nothing was written: the file is still as the user left it, and the
    // next start tells the same, with a copy of its own.
    if (held_ && !moveOnSeen_) ::unlink(keptAs_.c_str());
}

void FileRegistryStore::reportShown() {
    withTree([this](const RegistryKey& root) {
        if (!held_ || shown_) return;
        try {
            shown_ = serializeRegedit4(root);
        } catch (const RegistryError&) {
            shown_ = std::string();  // any save is a change then
        }
    });
}

void FileRegistryStore::reportSeen() {
    withTree([this](const RegistryKey& root) {
        if (held_) save(root, true);
    });
}

std::string FileRegistryStore::defaultPath() {
    const std::string config = configFolder();
    return config.empty() ? std::string() : config + "/Korvat/Oculon.reg";
}

void FileRegistryStore::persist(const RegistryKey& root) { save(root, false); }

void FileRegistryStore::save(const RegistryKey& root, bool seen) {
    if (unreadable_) return;
    // Before the report is shown, what changes is the load's own doing.
    if (held_ && !seen && !shown_) return;
    std::string text;
    std::string problem;
    try {
        text = serializeRegedit4(root);
    } catch (const RegistryError& e) {
        problem = path_ + ": " + e.what();
    }
    if (problem.empty() && held_) {
        if (!seen && text == *shown_) return;  // nothing of the user's to write yet
        problem = endHold();
    }
    if (problem.empty()) problem = write(path_, text);
    if (!problem.empty() && !failing_) tellUser(Notice::settingsNotSaved, problem);
    failing_ = !problem.empty();
}

std::string FileRegistryStore::endHold() {
    if (moveOnSeen_) {
        int error = 0;
        if (std::string why = keepAside(path_, {}, false, keptAs_, error); !why.empty()) {
            // Stays held: a save would write over the only copy.
            log::warning(log::Category::platform, "the settings file stays as it is: %s", why.c_str());
            return path_ + ": " + why;
        }
        moveOnSeen_ = false;
    }
    held_ = false;
    shown_.reset();
    return {};
}

std::string FileRegistryStore::write(const std::string& path, const std::string& text) {
    if (std::string problem = makePrivateFolder(fs::path(path).parent_path().string()); !problem.empty())
        return problem;
    std::string target;
    if (std::string problem = saveTarget(path, target); !problem.empty()) return problem;
    return writeFileAtomically(target, text, 0600);
}

// --- key accessor ----------------------------------------------------------

Registry::Registry(std::shared_ptr<RegistryStore> store) : store_(std::move(store)) {}

std::string Registry::resolve(const std::string& path) const {
    auto parts = splitPath(path);
    if (!path.empty() && path.front() == '\\') return joinPath(parts);
    auto base = splitPath(current_);
    base.insert(base.end(), parts.begin(), parts.end());
    return joinPath(base);
}

bool Registry::OpenKey(const std::string& path, bool canCreate) {
    const std::string abs = resolve(path);
    if (!keyPathFits(splitPath(abs))) return false;
    const bool ok = canCreate ? store_->modify([&](RegistryKey& root) {
        walkCreate(root, abs);
        return true;
    })
                              : store_->withTree([&](RegistryKey& root) { return walk(root, abs) != nullptr; });
    if (ok) {
        current_ = abs;
        open_ = true;
    }
    return ok;
}

bool Registry::KeyExists(const std::string& path) const {
    const std::string abs = resolve(path);
    return store_->withTree([&](RegistryKey& root) { return walk(root, abs) != nullptr; });
}

void Registry::CloseKey() {
    current_.clear();
    open_ = false;
}

bool Registry::DeleteKey(const std::string& path) {
    auto parts = splitPath(resolve(path));
    if (parts.empty()) return false;
    const std::string leaf = parts.back();
    parts.pop_back();
    const std::string parentPath = joinPath(parts);
    bool exists = store_->withTree([&](RegistryKey& root) {
        RegistryKey* parent = walk(root, parentPath);
        return parent && parent->find(leaf);
    });
    if (!exists) return false;
    return store_->modify([&](RegistryKey& root) {
        RegistryKey* parent = walk(root, parentPath);
        return parent && parent->remove(leaf);
    });
}

std::vector<std::string> Registry::GetKeyNames() const {
    return store_->withTree([&](RegistryKey& root) {
        std::vector<std::string> names;
        if (RegistryKey* key = walk(root, current_))
            for (const auto& [name, sub] : key->subkeys) names.push_back(name);
        return names;
    });
}

bool Registry::HasSubKeys() const { return !GetKeyNames().empty(); }

bool Registry::ValueExists(const std::string& name) const {
    return store_->withTree([&](RegistryKey& root) {
        RegistryKey* key = walk(root, current_);
        return key && key->values.count(name) > 0;
    });
}

bool Registry::DeleteValue(const std::string& name) {
    if (!ValueExists(name)) return false;
    return store_->modify([&](RegistryKey& root) {
        RegistryKey* key = walk(root, current_);
        return key && key->values.erase(name) > 0;
    });
}

std::optional<RegValue> Registry::readValue(const std::string& name) const {
    return store_->withTree([&](RegistryKey& root) -> std::optional<RegValue> {
        RegistryKey* key = walk(root, current_);
        if (!key) return std::nullopt;
        auto it = key->values.find(name);
        if (it == key->values.end()) return std::nullopt;
        return it->second;
    });
}

void Registry::NoteUnusable(const std::string& name, SettingsFault why, std::optional<RegValue> takenAs) const {
    store_->noteUnusable(current_, name, why, std::move(takenAs));
}

std::int32_t Registry::ReadInteger(const std::string& name) const {
    auto v = readValue(name);
    if (!v) throw RegistryError("value \"" + name + "\" is missing");
    const auto* dw = std::get_if<std::uint32_t>(&*v);
    if (!dw) throw RegistryError("value \"" + name + "\" is not a number");
    return static_cast<std::int32_t>(*dw);
}

std::string Registry::ReadString(const std::string& name) const {
    auto v = readValue(name);
    if (!v) return "";
    const auto* s = std::get_if<std::string>(&*v);
    if (!s) throw RegistryError("value \"" + name + "\" is not a text");
    return *s;
}

void Registry::WriteInteger(const std::string& name, std::int32_t value) {
    store_->modify([&](RegistryKey& root) {
        walkCreate(root, current_).values[name] = static_cast<std::uint32_t>(value);
        return true;
    });
}

void Registry::WriteString(const std::string& name, const std::string& value) {
    store_->modify([&](RegistryKey& root) {
        // A registry text ends at its first NUL.
        walkCreate(root, current_).values[name] = value.substr(0, value.find('\0'));
        return true;
    });
}

}  // namespace oculon::platform
