#pragma once
// Published properties of settings objects and components: what the
// component stream stores of them and what Assign copies, property by
// property. A class lists its properties in GetPropInfos (its base's
// first); a value property is read and written through its accessors, a
// class property names an owned settings object (or collection) whose own
// properties are stored under "<name>.".
//
// Storing: an ordinal value is written unless it equals its default, a
// string unless empty, a float unless 0 (a 0 that must survive a
// constructor's other value goes into "_Floats").

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace oculon::platform {
class TFiler;
class TReader;
class TWriter;
}  // namespace oculon::platform

namespace oculon::pins {

class TPersistent;

enum class TTypeKind : std::uint8_t { tkOrdinal, tkInt64, tkFloat, tkString, tkClass };

using TPropValue = std::variant<std::int64_t, long double, std::string>;

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkOrdinal;
    std::string TypeName;  // "Double", "TDateTime", ... for floats
    std::function<TPropValue()> Get;
    std::function<void(const TPropValue&)> Set;  // none: read-only
    std::function<TPersistent*()> Object;        // a class property's object
    bool Stored = true;
    std::optional<std::int64_t> Default;  // an ordinal equal to it is not written
};
using TPropList = std::vector<TPropInfo>;

// A value property over a getter and a setter (none: read-only). Booleans,
// enumerations and integers up to 32 bits are ordinal.
template <typename T, typename Get, typename Set = std::nullptr_t>
TPropInfo PNProp(std::string name, Get get, Set set = nullptr, std::optional<T> defaultValue = std::nullopt,
                 std::string typeName = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.TypeName = std::move(typeName);
    if constexpr (std::is_same_v<T, std::string>) {
        p.Kind = TTypeKind::tkString;
        p.Get = [get] { return TPropValue(std::string(get())); };
        if constexpr (!std::is_null_pointer_v<Set>)
            p.Set = [set](const TPropValue& v) { set(std::get<std::string>(v)); };
    } else if constexpr (std::is_floating_point_v<T>) {
        p.Kind = TTypeKind::tkFloat;
        if (p.TypeName.empty()) p.TypeName = std::is_same_v<T, float> ? "Single" : "Double";
        p.Get = [get] { return TPropValue(static_cast<long double>(get())); };
        if constexpr (!std::is_null_pointer_v<Set>)
            p.Set = [set](const TPropValue& v) { set(static_cast<T>(std::get<long double>(v))); };
    } else {
        p.Kind = sizeof(T) > 4 ? TTypeKind::tkInt64 : TTypeKind::tkOrdinal;
        if (std::is_same_v<T, bool> && p.TypeName.empty()) p.TypeName = "Boolean";
        p.Get = [get] { return TPropValue(static_cast<std::int64_t>(get())); };
        if constexpr (!std::is_null_pointer_v<Set>)
            p.Set = [set](const TPropValue& v) { set(static_cast<T>(std::get<std::int64_t>(v))); };
        if (defaultValue) p.Default = static_cast<std::int64_t>(*defaultValue);
    }
    return p;
}

// A class property: an owned settings object or collection.
TPropInfo PNObjectProp(std::string name, TPersistent& object);

// The object's published properties, sorted by name.
TPropList PNSortedProps(TPropList props);

// Copies every published property of `source` that `dest` can write, by
// name; "Name" is skipped with `skipName`. A class property whose object is
// a settings object is assigned object to object.
void GLPAssign(const TPropList& dest, const TPropList& source, bool skipName);

// Float properties that "_Floats" keeps: not the date and time types.
bool GLPIsFloat(const TPropInfo& prop);
bool GLPHasFloats(const TPropList& props);
// ((Name value) ...): every such property whose value is 0.
void GLPWriteFloats(platform::TWriter& writer, const TPropList& props);
// Names without such a property are read and skipped.
void GLPReadFloats(platform::TReader& reader, const TPropList& props);
// Defines "_Floats" of an object with these properties.
void GLPDefineFloats(platform::TFiler& filer, std::function<TPropList()> props);

// Defines each stored published property: values as they are, settings
// objects by their own properties under "<name>.", collections item by item.
void PNDefinePublishedProperties(platform::TFiler& filer, const TPropList& props);

}  // namespace oculon::pins
