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
#include <fstream>
#include <sstream>

namespace oculon::platform {

namespace {

constexpr const char* kRootName = "HKEY_CURRENT_USER";
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;
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

void writeValue(std::ostringstream& out, const std::string& name, const RegValue& value) {
    out << (name.empty() ? std::string("@") : quote(name)) << '=';
    if (const auto* dw = std::get_if<std::uint32_t>(&value)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *dw);
        out << buf;
    } else {
        const auto& s = std::get<std::string>(value);
        if (!needsHex(s)) {
            out << quote(s);
        } else {
            // Text with line breaks or other control bytes: the string's bytes in hex.
            out << "hex(1):";
            char buf[4];
            for (unsigned char c : s) {
                std::snprintf(buf, sizeof buf, "%02x,", c);
                out << buf;
            }
            out << "00";
        }
    }
    out << "\r\n";
}

void writeKey(std::ostringstream& out, const RegistryKey& key, const std::string& path) {
    out << '[' << path << "]\r\n";
    for (const auto& [name, value] : key.values) writeValue(out, name, value);
    out << "\r\n";
    for (const auto& [name, sub] : key.subkeys) writeKey(out, *sub, path + "\\" + name);
}

class Regedit4Parser {
public:
    explicit Regedit4Parser(const std::string& text) : text_(text) {}

    std::unique_ptr<RegistryKey> parse() {
        if (text_.size() > kMaxFileSize) fail("file too large");
        auto root = std::make_unique<RegistryKey>();
        RegistryKey* current = nullptr;
        bool header = false;
        std::string line;
        while (nextLine(line)) {
            if (line.empty() || line[0] == ';') continue;
            if (!header) {
                if (line != "REGEDIT4") fail("missing REGEDIT4 header");
                header = true;
                continue;
            }
            if (line.front() == '[') {
                current = &section(*root, line);
            } else {
                if (!current) fail("value outside a key");
                value(*current, line);
            }
        }
        if (!header) fail("missing REGEDIT4 header");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& why) const {
        throw RegistryError("settings file, line " + std::to_string(lineNo_) + ": " + why);
    }

    // One logical line: CR stripped, trailing-backslash continuations joined.
    bool nextLine(std::string& line) {
        line.clear();
        bool any = false;
        while (pos_ < text_.size()) {
            any = true;
            auto end = text_.find('\n', pos_);
            if (end == std::string::npos) end = text_.size();
            std::string part = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            ++lineNo_;
            if (!part.empty() && part.back() == '\r') part.pop_back();
            if (!line.empty()) {
                auto first = part.find_first_not_of(" \t");
                part = first == std::string::npos ? "" : part.substr(first);
            }
            line += part;
            // Only hex data continues on the next line.
            if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
                line.pop_back();
                continue;
            }
            return true;
        }
        return any;
    }

    RegistryKey& section(RegistryKey& root, const std::string& line) {
        if (line.back() != ']') fail("unterminated key name");
        std::string path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-') fail("key deletion is not supported");
        auto parts = splitPath(path);
        if (parts.empty() || !CaseInsensitiveEqual(parts.front(), kRootName)) fail("key outside HKEY_CURRENT_USER");
        RegistryKey* key = &root;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (parts[i].size() > kMaxKeyName) fail("key name too long");
            key = &key->getOrCreate(parts[i]);
        }
        if (path.find("\\\\") != std::string::npos || path.back() == '\\') fail("empty key name");
        return *key;
    }

    static bool CaseInsensitiveEqual(const std::string& a, const std::string& b) {
        return !CaseInsensitiveLess{}(a, b) && !CaseInsensitiveLess{}(b, a);
    }

    void value(RegistryKey& key, const std::string& line) {
        std::size_t i = 0;
        std::string name;
        if (line[0] == '@') {
            i = 1;
        } else if (line[0] == '"') {
            name = quoted(line, i);
        } else {
            fail("expected a value name");
        }
        if (name.size() > kMaxValueName) fail("value name too long");
        if (i >= line.size() || line[i] != '=') fail("expected '='");
        ++i;
        std::string data = line.substr(i);
        if (!data.empty() && data[0] == '"') {
            std::size_t j = 0;
            std::string s = quoted(data, j);
            if (j != data.size()) fail("text after the value");
            key.values[name] = std::move(s);
        } else if (data.rfind("dword:", 0) == 0) {
            key.values[name] = dword(data.substr(6));
        } else if (data.rfind("hex(1):", 0) == 0) {
            std::string bytes = hexBytes(data.substr(7));
            if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
            if (bytes.find('\0') != std::string::npos) fail("NUL inside a text");
            key.values[name] = std::move(bytes);
        } else {
            fail("unsupported value type");
        }
    }

    std::string quoted(const std::string& s, std::size_t& i) {
        std::string out;
        ++i;  // opening quote
        while (i < s.size()) {
            char c = s[i++];
            if (c == '"') return out;
            if (c == '\\') {
                if (i >= s.size()) break;
                c = s[i++];
            }
            out += c;
        }
        fail("unterminated string");
    }

    std::uint32_t dword(const std::string& s) {
        if (s.empty() || s.size() > 8) fail("bad dword");
        std::uint32_t v = 0;
        for (char c : s) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) fail("bad dword");
            v = v * 16 +
                static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : lower(c) - 'a' + 10);
        }
        return v;
    }

    std::string hexBytes(const std::string& s) {
        std::string out;
        std::size_t i = 0;
        while (i < s.size()) {
            if (s[i] == ',' || s[i] == ' ') {
                ++i;
                continue;
            }
            if (i + 1 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i])) ||
                !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
                fail("bad hex data");
            out += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
            i += 2;
        }
        return out;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
};

std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

bool makeDirs(const std::string& dir) {
    std::string sofar;
    std::size_t i = 0;
    while (i <= dir.size()) {
        auto next = dir.find('/', i);
        if (next == std::string::npos) next = dir.size();
        sofar = dir.substr(0, next);
        if (!sofar.empty() && ::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) return false;
        i = next + 1;
    }
    return true;
}

std::pair<std::unique_ptr<RegistryKey>, std::string> loadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::make_unique<RegistryKey>(), ""};  // no file yet: empty settings
    std::string text;
    std::string problem;
    in.seekg(0, std::ios::end);
    auto size = in.tellg();
    in.seekg(0);
    if (size < 0 || static_cast<std::size_t>(size) > kMaxFileSize) {
        problem = "settings file too large";
    } else {
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), size);
        if (!in) problem = "settings file could not be read";
    }
    if (problem.empty()) {
        try {
            return {parseRegedit4(text), ""};
        } catch (const RegistryError& e) {
            problem = e.what();
        }
    }
    // Keep the unreadable file for the user instead of overwriting it.
    std::string aside = path + ".broken-" + timestamp();
    std::string report = problem;
    if (std::rename(path.c_str(), aside.c_str()) == 0) report += "; kept as " + aside;
    else report += "; could not be moved aside: " + std::string(std::strerror(errno));
    return {std::make_unique<RegistryKey>(), report};
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

std::unique_ptr<RegistryKey> RegistryKey::clone() const {
    auto copy = std::make_unique<RegistryKey>();
    copy->values = values;
    for (const auto& [name, sub] : subkeys) copy->subkeys.emplace(name, sub->clone());
    return copy;
}

std::string serializeRegedit4(const RegistryKey& root) {
    std::ostringstream out;
    out << "REGEDIT4\r\n\r\n";
    for (const auto& [name, sub] : root.subkeys) writeKey(out, *sub, std::string(kRootName) + "\\" + name);
    return out.str();
}

std::unique_ptr<RegistryKey> parseRegedit4(const std::string& text) { return Regedit4Parser(text).parse(); }

// --- stores ----------------------------------------------------------------

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

FileRegistryStore::FileRegistryStore(std::string path) : FileRegistryStore(path, loadFile(path)) {}

FileRegistryStore::FileRegistryStore(std::string path, std::pair<std::unique_ptr<RegistryKey>, std::string> loaded)
    : RegistryStore(std::move(loaded.first)), path_(std::move(path)), setAside_(std::move(loaded.second)) {}

std::string FileRegistryStore::defaultPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = "/tmp";
    }
    return base + "/Korvat/Oculon.reg";
}

void FileRegistryStore::persist(const RegistryKey& root) {
    const std::string text = serializeRegedit4(root);
    auto slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path_.substr(0, slash);
    if (!makeDirs(dir)) {
        std::fprintf(stderr, "oculon: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
        return;
    }
    const std::string tmp = path_ + ".tmp-" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "oculon: cannot write %s: %s\n", tmp.c_str(), std::strerror(errno));
        return;
    }
    ::fchmod(fd, 0600);  // an older file of that name may have had other bits
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path_.c_str()) != 0) {
        std::fprintf(stderr, "oculon: cannot save settings to %s: %s\n", path_.c_str(), std::strerror(errno));
        ::unlink(tmp.c_str());
        return;
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
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
    for (const auto& part : splitPath(abs))
        if (part.size() > kMaxKeyName) return false;
    bool ok = canCreate ? store_->modify([&](RegistryKey& root) { return &walkCreate(root, abs) != nullptr; })
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
