#include "platform/ComponentStream.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/LittleEndian.h"

namespace oculon::platform {

static_assert(LDBL_MANT_DIG == 64, "the stream's 80-bit floats are the machine's long double");

namespace {

constexpr char kSignature[4] = {'O', 'C', 'S', '1'};
constexpr std::size_t kExtendedBytes = 10;

[[noreturn]] void fail(const std::string& what) { throw EComponentStreamError(what); }

bool isIntegerType(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32 || t == TValueType::vaInt64;
}
bool isFloatType(TValueType t) {
    return t == TValueType::vaExtended || t == TValueType::vaSingle || t == TValueType::vaDouble;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t cp = units[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// Malformed sequences become U+FFFD, one per byte.
std::vector<std::uint16_t> utf8ToUtf16(std::string_view s) {
    static constexpr std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        const int follow = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (follow == 0) {
            cp = b;
        } else if (follow > 0 && i + static_cast<std::size_t>(follow) < s.size()) {
            std::uint32_t v = b & (0x3Fu >> follow);
            bool ok = true;
            for (int k = 1; k <= follow; ++k) {
                const auto c = static_cast<std::uint8_t>(s[i + static_cast<std::size_t>(k)]);
                ok = ok && (c & 0xC0) == 0x80;
                v = v << 6 | (c & 0x3Fu);
            }
            if (ok && v >= least[follow] && v <= 0x10FFFF && !(v >= 0xD800 && v < 0xE000)) {
                cp = v;
                len = static_cast<std::size_t>(follow) + 1;
            }
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(cp));
        }
        i += len;
    }
    return out;
}

// ---- Binary encoding.

class Encoder {
public:
    std::vector<std::uint8_t> out;

    void shortString(std::string_view s, const char* what) {
        if (s.size() > 255) fail(std::string(what) + " longer than 255 bytes: " + std::string(s.substr(0, 40)));
        out.push_back(static_cast<std::uint8_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    void longBytes(std::string_view s) {
        if (s.size() > std::numeric_limits<std::uint32_t>::max()) fail("value longer than 4 GiB");
        appendLittle(out, s.size(), 4);
        out.insert(out.end(), s.begin(), s.end());
    }
    void type(TValueType t) { out.push_back(static_cast<std::uint8_t>(t)); }
    // A float in its IEEE layout, least significant byte first.
    template <typename Float, typename Bits>
    void ieee(long double value) {
        const auto f = static_cast<Float>(value);
        Bits bits;
        std::memcpy(&bits, &f, sizeof bits);
        appendLittle(out, bits, sizeof bits);
    }

    void value(const TStreamValue& v) {
        switch (v.Type) {
            case TValueType::vaList:
                type(v.Type);
                for (const auto& item : v.Items) value(item);
                type(TValueType::vaNull);
                return;
            case TValueType::vaCollection:
                type(v.Type);
                for (const auto& item : v.CollectionItems) {
                    type(TValueType::vaList);
                    properties(item);
                }
                type(TValueType::vaNull);
                return;
            case TValueType::vaInt8:
            case TValueType::vaInt16:
            case TValueType::vaInt32:
            case TValueType::vaInt64: {
                const auto n = TStreamValue::Integer(v.Int);
                type(n.Type);
                const int bytes = n.Type == TValueType::vaInt8    ? 1
                                  : n.Type == TValueType::vaInt16 ? 2
                                  : n.Type == TValueType::vaInt32 ? 4
                                                                  : 8;
                appendLittle(out, static_cast<std::uint64_t>(v.Int), bytes);
                return;
            }
            case TValueType::vaExtended: {
                type(v.Type);
                std::uint8_t raw[sizeof(long double)] = {};
                const long double f = v.Float;
                std::memcpy(raw, &f, sizeof f);
                out.insert(out.end(), raw, raw + kExtendedBytes);
                return;
            }
            case TValueType::vaSingle:
                type(v.Type);
                ieee<float, std::uint32_t>(v.Float);
                return;
            case TValueType::vaDouble:
                type(v.Type);
                ieee<double, std::uint64_t>(v.Float);
                return;
            case TValueType::vaString:
                if (v.Text.size() > 255) {
                    type(TValueType::vaLString);
                    longBytes(v.Text);
                    return;
                }
                type(v.Type);
                shortString(v.Text, "string");
                return;
            case TValueType::vaLString:
            case TValueType::vaUTF8String:
                type(v.Type);
                longBytes(v.Text);
                return;
            case TValueType::vaWString: {
                type(v.Type);
                const auto units = utf8ToUtf16(v.Text);
                appendLittle(out, units.size(), 4);
                for (auto u : units) appendLittle(out, u, 2);
                return;
            }
            case TValueType::vaIdent:
                type(v.Type);
                shortString(v.Text, "identifier");
                return;
            case TValueType::vaBinary:
                type(v.Type);
                longBytes(std::string_view(reinterpret_cast<const char*>(v.Bytes.data()), v.Bytes.size()));
                return;
            case TValueType::vaFalse:
            case TValueType::vaTrue:
            case TValueType::vaNil: type(v.Type); return;
            case TValueType::vaNull: break;
        }
        fail("a value of type " + std::to_string(static_cast<int>(v.Type)) + " cannot be written");
    }

    void properties(const std::vector<TStreamProperty>& props) {
        for (const auto& p : props) {
            if (p.Name.empty()) fail("a property without a name");
            shortString(p.Name, "property name");
            value(p.Value);
        }
        out.push_back(0);
    }

    void object(const TStreamObject& o) {
        if (o.ClassName.empty()) fail("an object without a class name");
        shortString(o.ClassName, "class name");
        shortString(o.Name, "object name");
        properties(o.Properties);
        for (const auto& child : o.Children) object(child);
        out.push_back(0);
    }
};

// ---- Decoding, bounded in memory.

constexpr const char* kTreeTooLarge = "its tree would take more than 32 times its size in memory";
static_assert(kTreeBytesPerByte == 32, "the message names the bound");

// What the tree of one decoding may take in memory: the decoder charges
// what it allocates, and stops with its own error() once it is spent.
template <typename Decoding>
class TreeBudget {
protected:
    explicit TreeBudget(std::size_t streamBytes) : left_(streamBytes * kTreeBytesPerByte + kTreeBytesAllowance) {}

    void charge(std::size_t bytes) {
        if (bytes > left_) static_cast<const Decoding&>(*this).error(kTreeTooLarge);
        left_ -= bytes;
    }
    // A string's own allocation (short ones live inside it).
    void charge(const std::string& s) {
        static const std::size_t inlineChars = std::string().capacity();
        if (s.capacity() > inlineChars) charge(s.capacity());
    }
    // Appends `item`; room the list grows by is charged before it is taken.
    template <typename T>
    void append(std::vector<T>& list, T&& item) {
        if (list.size() == list.capacity()) {
            const std::size_t grown = std::max<std::size_t>(4, 2 * list.capacity());
            charge((grown - list.capacity()) * sizeof(T));
            list.reserve(grown);
        }
        list.push_back(std::forward<T>(item));
    }

private:
    std::size_t left_;
};

// ---- Binary decoding.

class Decoder : TreeBudget<Decoder> {
public:
    Decoder(const std::uint8_t* data, std::size_t size) : TreeBudget(size), data_(data), size_(size) {}

    TStreamObject stream() {
        if (size_ < sizeof kSignature || std::memcmp(data_, kSignature, sizeof kSignature) != 0)
            fail("not a component stream (bad signature)");
        pos_ = sizeof kSignature;
        TStreamObject root = object(0);
        if (pos_ != size_) error("bytes after the end of the root object");
        return root;
    }

private:
    friend TreeBudget;
    [[noreturn]] void error(const std::string& what) const {
        fail("component stream damaged at byte " + std::to_string(pos_) + ": " + what);
    }
    void need(std::size_t n) const {
        if (n > size_ - pos_) error("value runs past the end of the stream");
    }
    std::uint8_t u8() {
        need(1);
        return data_[pos_++];
    }
    std::uint64_t little(int bytes) {
        need(static_cast<std::size_t>(bytes));
        const auto v = readLittle<std::uint64_t>(data_ + pos_, bytes);
        pos_ += static_cast<std::size_t>(bytes);
        return v;
    }
    std::string bytes(std::size_t n) {
        need(n);
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string shortString() { return bytes(u8()); }
    void deeper(int depth) const {
        if (depth >= kMaxStreamDepth) error("nesting deeper than " + std::to_string(kMaxStreamDepth) + " levels");
    }

    TStreamValue value(int depth) {
        deeper(depth);
        TStreamValue v;
        const std::size_t at = pos_;
        v.Type = static_cast<TValueType>(u8());
        switch (v.Type) {
            case TValueType::vaList:
                while (peek() != 0) append(v.Items, value(depth + 1));
                ++pos_;
                return v;
            case TValueType::vaCollection:
                while (peek() != 0) {
                    if (u8() != static_cast<std::uint8_t>(TValueType::vaList)) error("collection item is not a list");
                    append(v.CollectionItems, properties(depth + 1));
                }
                ++pos_;
                return v;
            case TValueType::vaInt8: v.Int = static_cast<std::int8_t>(little(1)); return v;
            case TValueType::vaInt16: v.Int = static_cast<std::int16_t>(little(2)); return v;
            case TValueType::vaInt32: v.Int = static_cast<std::int32_t>(little(4)); return v;
            case TValueType::vaInt64: v.Int = static_cast<std::int64_t>(little(8)); return v;
            case TValueType::vaExtended: {
                need(kExtendedBytes);
                long double f = 0;
                std::memcpy(&f, data_ + pos_, kExtendedBytes);
                pos_ += kExtendedBytes;
                v.Float = f;
                return v;
            }
            case TValueType::vaSingle: {
                const auto bits = static_cast<std::uint32_t>(little(4));
                float f;
                std::memcpy(&f, &bits, 4);
                v.Float = f;
                return v;
            }
            case TValueType::vaDouble: {
                const std::uint64_t bits = little(8);
                double f;
                std::memcpy(&f, &bits, 8);
                v.Float = f;
                return v;
            }
            case TValueType::vaString:
            case TValueType::vaIdent:
                v.Text = shortString();
                charge(v.Text);
                return v;
            case TValueType::vaLString:
            case TValueType::vaUTF8String:
                v.Text = bytes(little(4));
                charge(v.Text);
                return v;
            case TValueType::vaWString: {
                const std::uint64_t count = little(4);
                need(count * 2);
                std::vector<std::uint16_t> units(count);
                for (auto& u : units) u = static_cast<std::uint16_t>(little(2));
                v.Text = utf16ToUtf8(units);
                charge(v.Text);
                return v;
            }
            case TValueType::vaBinary: {
                const std::string b = bytes(little(4));
                v.Bytes.assign(b.begin(), b.end());
                charge(v.Bytes.capacity());
                return v;
            }
            case TValueType::vaFalse:
            case TValueType::vaTrue:
            case TValueType::vaNil: return v;
            case TValueType::vaNull: break;
        }
        pos_ = at;
        error("unknown value type " + std::to_string(static_cast<int>(v.Type)));
    }

    std::uint8_t peek() const {
        need(1);
        return data_[pos_];
    }

    std::vector<TStreamProperty> properties(int depth) {
        std::vector<TStreamProperty> props;
        for (;;) {
            std::string name = shortString();
            if (name.empty()) return props;
            charge(name);
            append(props, TStreamProperty{std::move(name), value(depth)});
        }
    }

    TStreamObject object(int depth) {
        deeper(depth);
        TStreamObject o;
        o.ClassName = shortString();
        if (o.ClassName.empty()) error("object without a class name");
        o.Name = shortString();
        charge(o.ClassName);
        charge(o.Name);
        o.Properties = properties(depth + 1);
        while (peek() != 0) append(o.Children, object(depth + 1));
        ++pos_;
        return o;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// ---- Form text.

std::string quoted(std::string_view s) {
    std::string out;
    bool open = false;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127) {
            if (open) out += '\'';
            open = false;
            out += '#';
            out += std::to_string(c);
        } else {
            if (!open) out += '\'';
            open = true;
            out += ch;
            if (ch == '\'') out += '\'';
        }
    }
    if (open) out += '\'';
    return out.empty() ? "''" : out;
}

std::string floatText(long double f) {
    if (std::isnan(f)) return "NAN";
    if (std::isinf(f)) return f < 0 ? "-INF" : "INF";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, f);
    std::string s(buf, r.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

void appendProperties(std::string& out, const std::vector<TStreamProperty>& props, const std::string& indent) {
    for (const auto& p : props) out += indent + p.Name + " = " + FormatStreamValue(p.Value) + "\n";
}

void appendObject(std::string& out, const TStreamObject& o, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out += indent + "object " + o.Name + ": " + o.ClassName + "\n";
    appendProperties(out, o.Properties, indent + "  ");
    for (const auto& child : o.Children) appendObject(out, child, depth + 1);
    out += indent + "end\n";
}

bool identStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

class TextParser : TreeBudget<TextParser> {
public:
    explicit TextParser(std::string_view text) : TreeBudget(text.size()), s_(text) {}

    TStreamObject document() {
        TStreamObject root = object(0);
        skipSpace();
        if (pos_ != s_.size()) error("text after the end of the root object");
        return root;
    }

private:
    friend TreeBudget;
    [[noreturn]] void error(const std::string& what) const {
        fail("form text line " + std::to_string(line_) + ": " + what);
    }
    void skipSpace() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) {
            if (s_[pos_] == '\n') ++line_;
            ++pos_;
        }
    }
    char peekChar() {
        skipSpace();
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    void expect(char c) {
        if (peekChar() != c) error(std::string("'") + c + "' expected");
        ++pos_;
    }
    std::string ident() {
        skipSpace();
        if (pos_ >= s_.size() || !identStart(s_[pos_])) error("name expected");
        const std::size_t start = pos_;
        while (pos_ < s_.size() && identChar(s_[pos_])) ++pos_;
        std::string name(s_.substr(start, pos_ - start));
        charge(name);
        return name;
    }
    bool atWord(std::string_view word) {
        skipSpace();
        if (s_.substr(pos_, word.size()) != word) return false;
        const std::size_t after = pos_ + word.size();
        return after >= s_.size() || !identChar(s_[after]);
    }
    void deeper(int depth) const {
        if (depth >= kMaxStreamDepth) error("nesting deeper than " + std::to_string(kMaxStreamDepth) + " levels");
    }

    TStreamObject object(int depth) {
        deeper(depth);
        if (!atWord("object")) error("'object' expected");
        pos_ += 6;
        TStreamObject o;
        o.Name = ident();
        expect(':');
        o.ClassName = ident();
        for (;;) {
            if (atWord("end")) {
                pos_ += 3;
                return o;
            }
            if (atWord("object")) {
                append(o.Children, object(depth + 1));
                continue;
            }
            if (pos_ >= s_.size()) error("'end' expected");
            append(o.Properties, property(depth + 1));
        }
    }

    TStreamProperty property(int depth) {
        TStreamProperty p;
        p.Name = ident();
        expect('=');
        p.Value = value(depth);
        return p;
    }

    TStreamValue value(int depth) {
        deeper(depth);
        const char c = peekChar();
        if (c == '(') {
            ++pos_;
            TStreamValue v = TStreamValue::List();
            while (peekChar() != ')') {
                if (pos_ >= s_.size()) error("')' expected");
                append(v.Items, value(depth + 1));
            }
            ++pos_;
            return v;
        }
        if (c == '<') {
            ++pos_;
            TStreamValue v;
            v.Type = TValueType::vaCollection;
            while (peekChar() != '>') {
                if (!atWord("item")) error("'item' or '>' expected");
                pos_ += 4;
                std::vector<TStreamProperty> props;
                while (!atWord("end")) {
                    if (pos_ >= s_.size()) error("'end' expected");
                    append(props, property(depth + 1));
                }
                pos_ += 3;
                append(v.CollectionItems, std::move(props));
            }
            ++pos_;
            return v;
        }
        if (c == '{') return binary();
        if (c == '\'' || c == '#') return TStreamValue::String(string());
        if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) return number();
        const std::string word = ident();
        if (word == "nil") return TStreamValue::Nil();
        if (word == "True") return TStreamValue::Boolean(true);
        if (word == "False") return TStreamValue::Boolean(false);
        if (word == "INF") return TStreamValue::Extended(std::numeric_limits<long double>::infinity());
        if (word == "NAN") return TStreamValue::Extended(std::numeric_limits<long double>::quiet_NaN());
        return TStreamValue::Ident(word);
    }

    TStreamValue binary() {
        ++pos_;
        std::vector<std::uint8_t> bytes;
        int half = -1;
        for (;;) {
            const char c = peekChar();
            if (c == '}') break;
            const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : c >= 'A' && c <= 'F'                      ? c - 'A' + 10
                          : c >= 'a' && c <= 'f'                      ? c - 'a' + 10
                                                                      : -1;
            if (d < 0) error("hexadecimal digit expected in binary data");
            ++pos_;
            if (half < 0) {
                half = d;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(half << 4 | d));
                half = -1;
            }
        }
        if (half >= 0) error("binary data with an odd number of digits");
        ++pos_;
        charge(bytes.capacity());
        return TStreamValue::Binary(std::move(bytes));
    }

    std::string string() {
        std::string out;
        for (;;) {
            if (pos_ < s_.size() && s_[pos_] == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= s_.size() || s_[pos_] == '\n') error("string not closed");
                    if (s_[pos_] == '\'') {
                        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                            out += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    out += s_[pos_++];
                }
            } else if (pos_ < s_.size() && s_[pos_] == '#') {
                ++pos_;
                std::uint32_t code = 0;
                const std::size_t start = pos_;
                while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])) && pos_ - start < 8)
                    code = code * 10 + static_cast<std::uint32_t>(s_[pos_++] - '0');
                if (pos_ == start || code > 0x10FFFF) error("character code expected after '#'");
                if (code < 256) out += static_cast<char>(code);
                else appendUtf8(out, code);
            } else {
                charge(out);
                return out;
            }
        }
    }

    TStreamValue number() {
        const std::size_t start = pos_;
        if (s_[pos_] == '-') ++pos_;
        if (atWord("INF")) {
            pos_ += 3;
            return TStreamValue::Extended(-std::numeric_limits<long double>::infinity());
        }
        bool isFloat = false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '.' || c == 'e' || c == 'E') {
                isFloat = true;
                ++pos_;
            } else if ((c == '+' || c == '-') && (s_[pos_ - 1] == 'e' || s_[pos_ - 1] == 'E')) {
                ++pos_;
            } else {
                break;
            }
        }
        const char* first = s_.data() + start;
        const char* last = s_.data() + pos_;
        if (isFloat) {
            long double f = 0;
            const auto r = std::from_chars(first, last, f);
            if (r.ec == std::errc::invalid_argument || r.ptr != last) error("malformed number");
            return TStreamValue::Extended(f);
        }
        std::int64_t n = 0;
        const auto r = std::from_chars(first, last, n);
        if (r.ec != std::errc() || r.ptr != last) error("malformed or out-of-range integer");
        return TStreamValue::Integer(n);
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

}  // namespace

// ---- Values.

TStreamValue TStreamValue::Ident(std::string name) {
    TStreamValue v;
    v.Type = TValueType::vaIdent;
    v.Text = std::move(name);
    return v;
}

TStreamValue TStreamValue::String(std::string text) {
    TStreamValue v;
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    v.Type = !ascii ? TValueType::vaUTF8String : text.size() <= 255 ? TValueType::vaString : TValueType::vaLString;
    v.Text = std::move(text);
    return v;
}

TStreamValue TStreamValue::Nil() { return {}; }

TStreamValue TStreamValue::Integer(std::int64_t value) {
    TStreamValue v;
    v.Type = value >= INT8_MIN && value <= INT8_MAX     ? TValueType::vaInt8
             : value >= INT16_MIN && value <= INT16_MAX ? TValueType::vaInt16
             : value >= INT32_MIN && value <= INT32_MAX ? TValueType::vaInt32
                                                        : TValueType::vaInt64;
    v.Int = value;
    return v;
}

TStreamValue TStreamValue::Extended(long double value) {
    TStreamValue v;
    v.Type = TValueType::vaExtended;
    v.Float = value;
    return v;
}

TStreamValue TStreamValue::Boolean(bool value) {
    TStreamValue v;
    v.Type = value ? TValueType::vaTrue : TValueType::vaFalse;
    return v;
}

TStreamValue TStreamValue::Binary(std::vector<std::uint8_t> bytes) {
    TStreamValue v;
    v.Type = TValueType::vaBinary;
    v.Bytes = std::move(bytes);
    return v;
}

TStreamValue TStreamValue::List() { return List(std::vector<TStreamValue>()); }

TStreamValue TStreamValue::List(std::vector<TStreamValue> items) {
    TStreamValue v;
    v.Type = TValueType::vaList;
    v.Items = std::move(items);
    return v;
}

bool TStreamValue::IsInteger() const { return isIntegerType(Type); }
bool TStreamValue::IsFloat() const { return isFloatType(Type); }

bool TStreamValue::operator==(const TStreamValue& o) const {
    if (IsInteger() || o.IsInteger()) return IsInteger() && o.IsInteger() && Int == o.Int;
    if (IsFloat() || o.IsFloat()) return IsFloat() && o.IsFloat() && Float == o.Float;
    if (GOWIsStringValueType(Type) || GOWIsStringValueType(o.Type))
        return GOWIsStringValueType(Type) && GOWIsStringValueType(o.Type) && Text == o.Text;
    return Type == o.Type && Text == o.Text && Bytes == o.Bytes && Items == o.Items &&
           CollectionItems == o.CollectionItems;
}

const TStreamProperty* TStreamObject::Find(std::string_view name) const {
    for (const auto& p : Properties)
        if (p.Name == name) return &p;
    return nullptr;
}

const TStreamObject* TStreamObject::Child(std::string_view name) const {
    for (const auto& c : Children)
        if (c.Name == name) return &c;
    return nullptr;
}

std::vector<std::uint8_t> EncodeComponentStream(const TStreamObject& root) {
    Encoder e;
    e.out.assign(kSignature, kSignature + sizeof kSignature);
    e.object(root);
    return std::move(e.out);
}

TStreamObject DecodeComponentStream(const std::uint8_t* data, std::size_t size) { return Decoder(data, size).stream(); }

std::string FormatStreamValue(const TStreamValue& v) {
    switch (v.Type) {
        case TValueType::vaList: {
            std::string out = "(";
            for (std::size_t i = 0; i < v.Items.size(); ++i) out += (i ? " " : "") + FormatStreamValue(v.Items[i]);
            return out + ")";
        }
        case TValueType::vaCollection: {
            std::string out = "<";
            for (std::size_t i = 0; i < v.CollectionItems.size(); ++i) {
                out += i ? " item" : "item";
                for (const auto& p : v.CollectionItems[i]) out += " " + p.Name + " = " + FormatStreamValue(p.Value);
                out += " end";
            }
            return out + ">";
        }
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64: return std::to_string(v.Int);
        case TValueType::vaExtended:
        case TValueType::vaSingle:
        case TValueType::vaDouble: return floatText(v.Float);
        case TValueType::vaString:
        case TValueType::vaLString:
        case TValueType::vaWString:
        case TValueType::vaUTF8String: return quoted(v.Text);
        case TValueType::vaIdent: return v.Text;
        case TValueType::vaFalse: return "False";
        case TValueType::vaTrue: return "True";
        case TValueType::vaBinary: {
            static constexpr char hex[] = "0123456789ABCDEF";
            std::string out = "{";
            for (auto b : v.Bytes) {
                out += hex[b >> 4];
                out += hex[b & 15];
            }
            return out + "}";
        }
        case TValueType::vaNil:
        case TValueType::vaNull: break;
    }
    return "nil";
}

std::string FormText(const TStreamObject& root) {
    std::string out;
    appendObject(out, root, 0);
    return out;
}

TStreamObject ParseFormText(std::string_view text) { return TextParser(text).document(); }

// ---- Writer.

void TWriter::add(TStreamValue value) {
    if (!open_.empty()) open_.back().Items.push_back(std::move(value));
    else top_.push_back(std::move(value));
}

void TWriter::WriteListBegin() { open_.push_back(TStreamValue::List()); }

void TWriter::WriteListEnd() {
    if (open_.empty()) fail("list end without a list");
    TStreamValue list = std::move(open_.back());
    open_.pop_back();
    add(std::move(list));
}

void TWriter::WriteIdent(std::string name) { add(TStreamValue::Ident(std::move(name))); }
void TWriter::WriteString(std::string text) { add(TStreamValue::String(std::move(text))); }

void TWriter::WriteWideString(std::string utf8) {
    TStreamValue v;
    v.Type = TValueType::vaWString;
    v.Text = std::move(utf8);
    add(std::move(v));
}

void TWriter::WriteUTF8String(std::string text) {
    TStreamValue v;
    v.Type = TValueType::vaUTF8String;
    v.Text = std::move(text);
    add(std::move(v));
}

void TWriter::WriteInteger(std::int64_t value) { add(TStreamValue::Integer(value)); }
void TWriter::WriteFloat(long double value) { add(TStreamValue::Extended(value)); }
void TWriter::WriteBoolean(bool value) { add(TStreamValue::Boolean(value)); }
void TWriter::WriteBinary(std::vector<std::uint8_t> bytes) { add(TStreamValue::Binary(std::move(bytes))); }
void TWriter::WriteNil() { add(TStreamValue::Nil()); }

void TWriter::WriteCollection(std::vector<std::vector<TStreamProperty>> items) {
    TStreamValue v;
    v.Type = TValueType::vaCollection;
    v.CollectionItems = std::move(items);
    add(std::move(v));
}

TStreamValue TWriter::Take() {
    if (!open_.empty()) fail("a list was not closed");
    if (top_.size() != 1) fail("a property must hold exactly one value");
    TStreamValue v = std::move(top_.front());
    top_.clear();
    return v;
}

// ---- Reader.

void TApplyQueue::Run() {
    auto actions = std::exchange(actions_, {});
    for (auto& a : actions) a();
}

TReader::TReader(const TStreamValue& value, std::string propertyName, TApplyQueue& queue)
    : root_(value), name_(std::move(propertyName)), queue_(queue) {}

void TReader::Fail(const std::string& what) const { fail("property \"" + name_ + "\": " + what); }

const TStreamValue* TReader::peek() const {
    if (open_.empty()) return rootTaken_ ? nullptr : &root_;
    const Frame& f = open_.back();
    return f.next < f.items->size() ? &(*f.items)[f.next] : nullptr;
}

TValueType TReader::NextValue() const {
    const TStreamValue* v = peek();
    return v ? v->Type : TValueType::vaNull;
}

std::string TReader::NextIdent() const {
    const TStreamValue* v = peek();
    return v && v->Type == TValueType::vaIdent ? v->Text : std::string();
}

const TStreamValue& TReader::take(TValueType expected, const char* what) {
    const TStreamValue* v = peek();
    if (!v) Fail(std::string(what) + " expected, found the end of the list");
    const bool ok = expected == TValueType::vaNull || v->Type == expected;
    if (!ok) Fail(std::string(what) + " expected, found " + FormatStreamValue(*v).substr(0, 60));
    if (open_.empty()) rootTaken_ = true;
    else ++open_.back().next;
    return *v;
}

void TReader::ReadListBegin() {
    const TStreamValue& v = take(TValueType::vaList, "list");
    open_.push_back({&v.Items, 0});
}

void TReader::ReadListEnd() {
    if (open_.empty()) Fail("list end without a list");
    if (peek()) Fail("end of list expected, found " + FormatStreamValue(*peek()).substr(0, 60));
    open_.pop_back();
}

std::string TReader::ReadIdent() { return take(TValueType::vaIdent, "identifier").Text; }

std::string TReader::ReadString() {
    if (!GOWIsStringValueType(NextValue())) take(TValueType::vaString, "string");
    return take(TValueType::vaNull, "string").Text;
}

std::int64_t TReader::ReadInteger() {
    if (!isIntegerType(NextValue())) take(TValueType::vaInt32, "integer");
    return take(TValueType::vaNull, "integer").Int;
}

long double TReader::ReadFloat() {
    const TValueType t = NextValue();
    if (isIntegerType(t)) return static_cast<long double>(ReadInteger());
    if (!isFloatType(t)) take(TValueType::vaExtended, "float");
    return take(TValueType::vaNull, "float").Float;
}

bool TReader::ReadBoolean() {
    if (NextValue() != TValueType::vaTrue) take(TValueType::vaFalse, "boolean");
    return take(TValueType::vaNull, "boolean").Type == TValueType::vaTrue;
}

std::vector<std::uint8_t> TReader::ReadBinary() { return take(TValueType::vaBinary, "binary data").Bytes; }

std::vector<std::vector<TStreamProperty>> TReader::ReadCollection() {
    return take(TValueType::vaCollection, "collection").CollectionItems;
}

bool TReader::NextIsNil() const {
    const TStreamValue* v = peek();
    return v && (v->Type == TValueType::vaNil || (v->Type == TValueType::vaIdent && v->Text == "nil"));
}

void TReader::ReadNil() {
    if (!NextIsNil()) take(TValueType::vaNil, "nil");
    take(TValueType::vaNull, "nil");
}

void TReader::SkipValue() { take(TValueType::vaNull, "value"); }

TStreamValue TReader::ReadValue() { return take(TValueType::vaNull, "value"); }

void TReader::CheckFinished() const {
    if (!open_.empty()) Fail("list not closed");
    if (!rootTaken_) Fail("value not read");
}

// ---- Filers.

void TPropertyWriteFiler::DefineProperty(const std::string& name, TReaderProc, TWriterProc write, bool stored) {
    if (!stored || !write) return;
    TWriter w;
    write(w);
    if (w.Empty()) return;  // a writer method that found nothing to write after all
    properties_.push_back({prefix_ + name, w.Take()});
}

void TPropertyWriteFiler::DefineBinaryProperty(const std::string& name, TBinaryReadProc, TBinaryWriteProc write,
                                               bool stored) {
    if (!stored || !write) return;
    std::vector<std::uint8_t> bytes;
    write(bytes);
    properties_.push_back({prefix_ + name, TStreamValue::Binary(std::move(bytes))});
}

const TStreamProperty* TPropertyReadFiler::find(const std::string& name) {
    const std::string full = prefix_ + name;
    for (std::size_t i = 0; i < properties_.size(); ++i)
        if (!used_[i] && properties_[i].Name == full) {
            used_[i] = true;
            return &properties_[i];
        }
    return nullptr;
}

void TPropertyReadFiler::DefineProperty(const std::string& name, TReaderProc read, TWriterProc, bool) {
    const TStreamProperty* p = find(name);
    if (!p) return;
    if (!read) fail("property \"" + p->Name + "\" cannot be read");
    TReader r(p->Value, p->Name, queue_);
    read(r);
    r.CheckFinished();
}

void TPropertyReadFiler::DefineBinaryProperty(const std::string& name, TBinaryReadProc read, TBinaryWriteProc, bool) {
    const TStreamProperty* p = find(name);
    if (!p) return;
    if (!read || p->Value.Type != TValueType::vaBinary) fail("property \"" + p->Name + "\": binary data expected");
    read(p->Value.Bytes, queue_);
}

}  // namespace oculon::platform
