#pragma once
// The component stream: how a form or frame keeps the settings and links of
// its components. A stream holds one root object (class name, object name,
// properties, owned objects); a property is a name and a typed value, and a
// value is a number, a string, an identifier, binary data, nil, a list of
// values or a collection of property sets.
//
// Two encodings of the same tree: the binary stream (Encode/Decode) and the
// readable form text (FormText/ParseFormText), in which a link reads
//   OutputPin.SinkPins = (VideoViewerFrame1.VDAVILogger1.InputPin)
//
// Objects take part through DefineProperties: each defined property has a
// reader method, a writer method and a condition under which it is stored.
// Loading is two-phase: every reader method checks its value and hands what
// it will change to TReader::Apply; nothing is applied until the whole
// stream has been read, so a damaged or hostile stream changes nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace oculon::platform {

// Value types, by their numbers in the binary stream.
enum class TValueType : std::uint8_t {
    vaNull = 0,  // end of a list or collection
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,  // 80-bit float
    vaString = 6,    // up to 255 bytes
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaWString = 18,  // UTF-16
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// The four string value types: short, long, wide and UTF-8.
constexpr bool GOWIsStringValueType(TValueType type) {
    return type == TValueType::vaString || type == TValueType::vaLString || type == TValueType::vaWString ||
           type == TValueType::vaUTF8String;
}
constexpr bool GOWIsStringValueType(std::uint8_t type) { return GOWIsStringValueType(static_cast<TValueType>(type)); }

// A stream that cannot be read, or a value of the wrong shape.
class EComponentStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TStreamProperty;

// One value. Strings of every type are held as UTF-8 in Text; identifiers
// too. A collection holds one property set per item.
struct TStreamValue {
    TValueType Type = TValueType::vaNil;
    std::int64_t Int = 0;
    long double Float = 0;
    std::string Text;
    std::vector<std::uint8_t> Bytes;
    std::vector<TStreamValue> Items;
    std::vector<std::vector<TStreamProperty>> CollectionItems;

    static TStreamValue Ident(std::string name);
    static TStreamValue String(std::string text);  // short, long or UTF-8 by content
    static TStreamValue Integer(std::int64_t value);
    static TStreamValue Extended(long double value);
    static TStreamValue Boolean(bool value);
    static TStreamValue Binary(std::vector<std::uint8_t> bytes);
    static TStreamValue List();
    static TStreamValue List(std::vector<TStreamValue> items);
    static TStreamValue Nil();
    bool IsInteger() const;
    bool IsFloat() const;
    bool operator==(const TStreamValue& other) const;
};

struct TStreamProperty {
    std::string Name;  // dotted for properties of owned settings: "Threading.Queue.Size"
    TStreamValue Value;
    bool operator==(const TStreamProperty& other) const = default;
};

struct TStreamObject {
    std::string ClassName;
    std::string Name;
    std::vector<TStreamProperty> Properties;
    std::vector<TStreamObject> Children;
    bool operator==(const TStreamObject& other) const = default;
    const TStreamProperty* Find(std::string_view name) const;
    const TStreamObject* Child(std::string_view name) const;
};

// The binary stream: a 4-byte signature, then the root object.
std::vector<std::uint8_t> EncodeComponentStream(const TStreamObject& root);
// EComponentStreamError, naming the byte offset, for anything that does not
// read as a whole stream: a bad signature, an unknown value type, a length
// past the end, nesting deeper than kMaxStreamDepth, bytes after the end, a
// tree larger than its bound in memory (below).
TStreamObject DecodeComponentStream(const std::uint8_t* data, std::size_t size);
inline constexpr int kMaxStreamDepth = 64;
// The tree a stream or text decodes to takes at most kTreeBytesPerByte
// times the stream's size, plus kTreeBytesAllowance, in memory (its
// objects, properties, values and strings, with the room their lists have
// taken); a stream that would need more is refused. A value can be one byte
// (nil) and take 144 as a tree; a stored form needs nothing near the bound.
inline constexpr std::size_t kTreeBytesPerByte = 32;
inline constexpr std::size_t kTreeBytesAllowance = std::size_t{1} << 20;

// The readable form text: "object Name: Class", indented properties
// "Name = value", owned objects, "end". Lists read "(a b c)", strings
// 'text' (quotes doubled, control characters as #nn), binary data {hex},
// collections <item Name = value end ...>.
std::string FormText(const TStreamObject& root);
std::string FormatStreamValue(const TStreamValue& value);
// EComponentStreamError, naming the line, for text that does not parse or
// whose tree is larger than the bound above.
TStreamObject ParseFormText(std::string_view text);

// ---- Writing and reading the values of one defined property.

class TWriter {
public:
    void WriteListBegin();
    void WriteListEnd();
    void WriteIdent(std::string name);
    void WriteString(std::string text);  // short, long or UTF-8 by content
    void WriteWideString(std::string utf8);
    void WriteUTF8String(std::string text);
    void WriteInteger(std::int64_t value);  // in the smallest integer type
    void WriteFloat(long double value);     // 80-bit
    void WriteBoolean(bool value);
    void WriteBinary(std::vector<std::uint8_t> bytes);
    void WriteNil();
    void WriteCollection(std::vector<std::vector<TStreamProperty>> items);
    // The value written; exactly one, with every list closed.
    TStreamValue Take();
    bool Empty() const { return top_.empty() && open_.empty(); }

private:
    void add(TStreamValue value);
    std::vector<TStreamValue> top_;
    std::vector<TStreamValue> open_;
};

// What a load will change once the whole stream has read without an error.
class TApplyQueue {
public:
    void Add(std::function<void()> action) { actions_.push_back(std::move(action)); }
    // Runs every action in order; the queue is empty afterwards.
    void Run();
    std::size_t Count() const { return actions_.size(); }

private:
    std::vector<std::function<void()>> actions_;
};

// Reads one property's value. Every read checks the type it expects and
// raises EComponentStreamError, naming the property, when it finds another.
class TReader {
public:
    TReader(const TStreamValue& value, std::string propertyName, TApplyQueue& queue);

    TValueType NextValue() const;   // vaNull at the end of the open list
    std::string NextIdent() const;  // the next identifier's text, or empty
    bool EndOfList() const { return NextValue() == TValueType::vaNull; }
    void ReadListBegin();
    void ReadListEnd();
    std::string ReadIdent();
    std::string ReadString();  // any of the four string value types
    std::int64_t ReadInteger();
    long double ReadFloat();  // any float, or an integer
    bool ReadBoolean();
    std::vector<std::uint8_t> ReadBinary();
    std::vector<std::vector<TStreamProperty>> ReadCollection();
    void ReadNil();  // nil, or the identifier "nil"
    bool NextIsNil() const;
    void SkipValue();
    // Reads one whole value as it stands (for checks that come later).
    TStreamValue ReadValue();
    // Everything was read: no value left, every list closed.
    void CheckFinished() const;

    // What the property changes, run once the whole stream has been read.
    void Apply(std::function<void()> action) { queue_.Add(std::move(action)); }
    [[noreturn]] void Fail(const std::string& what) const;
    const std::string& PropertyName() const { return name_; }
    TApplyQueue& Queue() { return queue_; }

private:
    const TStreamValue& take(TValueType expected, const char* what);
    const TStreamValue* peek() const;
    struct Frame {
        const std::vector<TStreamValue>* items;
        std::size_t next;
    };
    const TStreamValue& root_;
    bool rootTaken_ = false;
    std::vector<Frame> open_;
    std::string name_;
    TApplyQueue& queue_;
};

// Defined properties, as an object declares them in DefineProperties.
class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    // The binary data read; the reader checks it and applies through the queue.
    using TBinaryReadProc = std::function<void(const std::vector<std::uint8_t>&, TApplyQueue&)>;
    using TBinaryWriteProc = std::function<void(std::vector<std::uint8_t>&)>;

    virtual ~TFiler() = default;
    // `stored`: whether the property is written.
    virtual void DefineProperty(const std::string& name, TReaderProc read, TWriterProc write, bool stored) = 0;
    virtual void DefineBinaryProperty(const std::string& name, TBinaryReadProc read, TBinaryWriteProc write,
                                      bool stored) = 0;
    // Properties of an owned settings object are named "<prefix><name>".
    void SetPrefix(std::string prefix) { prefix_ = std::move(prefix); }
    const std::string& Prefix() const { return prefix_; }

protected:
    std::string prefix_;
};

// Writes each stored defined property into `properties`.
class TPropertyWriteFiler : public TFiler {
public:
    explicit TPropertyWriteFiler(std::vector<TStreamProperty>& properties) : properties_(properties) {}
    void DefineProperty(const std::string& name, TReaderProc read, TWriterProc write, bool stored) override;
    void DefineBinaryProperty(const std::string& name, TBinaryReadProc read, TBinaryWriteProc write,
                              bool stored) override;

private:
    std::vector<TStreamProperty>& properties_;
};

// Reads the defined properties found among `properties`, marking each one
// read in `used` (same index).
class TPropertyReadFiler : public TFiler {
public:
    TPropertyReadFiler(const std::vector<TStreamProperty>& properties, std::vector<bool>& used, TApplyQueue& queue)
        : properties_(properties), used_(used), queue_(queue) {}
    void DefineProperty(const std::string& name, TReaderProc read, TWriterProc write, bool stored) override;
    void DefineBinaryProperty(const std::string& name, TBinaryReadProc read, TBinaryWriteProc write,
                              bool stored) override;

private:
    const TStreamProperty* find(const std::string& name);
    const std::vector<TStreamProperty>& properties_;
    std::vector<bool>& used_;
    TApplyQueue& queue_;
};

}  // namespace oculon::platform
