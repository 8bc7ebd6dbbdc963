#pragma once
// Pin names and pin pickers from the objects that components and settings
// objects publish (TPNPublisher): the dotted name of a pin, the objects of
// a class held under an owner, and the list of pins another pin could be
// linked to.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "media/pins/PNComponent.h"

namespace oculon::pins {

class TPNBasicPin;

// What a published property holds, as the property walks see it.
using TPNPropertyValue = std::variant<TPNBasicPin*, const IPNPublishedPinList*, TPersistent*, TComponent*>;

// Whether `object`'s class is, or derives from, the class registered under
// `className` (PNRegisterClassName): a caller names a class without
// depending on it. False for a name nobody registered.
bool IsDescendOf(const TPNPropertyValue& object, std::string_view className);

namespace detail {
using TPNClassTest = bool (*)(const TPNPropertyValue&);
void registerClassTest(std::string name, TPNClassTest test);
template <typename T>
bool isA(const TPNPropertyValue& value) {
    return std::visit([](auto* p) { return dynamic_cast<const T*>(p) != nullptr; }, value);
}
}  // namespace detail

// `name` stands for T and every class derived from it. The library's own
// bases are registered under their names (TComponent, TPersistent,
// TPNExtCollection, TPNExtCollectionItem, TPNObject, TPNBasicPin, TPNPin,
// TPNStreamPin, TPNSourcePin, TPNBasicSinkPin, TPNSinkPin, TPNPinList,
// TPNUnloadedPin, TPNFormatConverter). A name registered again is replaced.
template <typename T>
void PNRegisterClassName(std::string name) {
    detail::registerClassTest(std::move(name), &detail::isA<T>);
}

// One object found under an owner: its property path and the object.
struct TPNPropertyLine {
    std::string Text;
    TPNPropertyValue Object;
};

// Adds a line for every object of class `typeName` (IsDescendOf) that
// `owner` holds, in declaration order. Paths: the property name; a pin of a
// pin list is the list's path followed by "._Pin" and its index (identity
// form, `ident`) or by `separator` and its name in the list; an item of a
// collection is the collection's path followed by "._Item" and its index
// (identity form) or by its index in brackets ("Items[2]"). Pin lists,
// collection items and settings objects are searched too, with their path
// and "." in front; components are not (they own their own pins). False,
// adding nothing, when `owner` is a component being destroyed.
bool PNGetClassPropertiesOfTypeName(const TPNPublisher& owner, std::string_view typeName,
                                    std::vector<TPNPropertyLine>& list, bool ident, std::string_view separator = ".");
// The same with `prefix` in front of every path.
bool PNGetClassPropertiesOfTypeNamePrefix(const TPNPublisher& owner, std::string_view typeName,
                                          std::vector<TPNPropertyLine>& list, bool ident, const std::string& prefix,
                                          std::string_view separator = ".");

// The path of `target` under `owner`, as above. Empty when `owner` is
// being destroyed or does not hold it.
std::string PNGetClassPropertyNameForPropertyObject(const TPNPublisher& owner, const TPNBasicPin& target, bool ident,
                                                    std::string_view separator = ".");

// The dotted name of a pin: empty for null, "(No owner)" without an owner
// component, else the owner's name, the separator and the property path;
// with `withRoot` the root's name and the separator in front.
std::string PNValueToString(TPNBasicPin* pin, std::string_view separator, bool withRoot, bool ident);

enum TPNPinValueOption : unsigned { pvoFullList = 1, pvoSaveValue = 2, pvoExcludeDirectDependency = 4 };

struct TPNPinCandidate {
    std::string Text;
    TPNBasicPin* Pin;
};

// The pins under `root` that `forPin` could link to, one line per pin:
// with pvoFullList every pin compatible in either direction (converters
// allowed; with pvoExcludeDirectDependency less those `forPin` directly
// depends on), else those `forPin` can connect to. Lines read
// [rootName + sep] + component + sep + property path (identity paths with
// pvoSaveValue); components owned by components are searched too. False
// when the walk of a component failed (it was being destroyed); the
// others are listed all the same.
bool PNGetPinsValueListSingleRoot(std::vector<TPNPinCandidate>& list, TComponent& root, TPNBasicPin& forPin,
                                  unsigned options, std::string_view rootName, std::string_view separator);
// The same for the root of `root`.
bool PNGetPinsValueListSingle(std::vector<TPNPinCandidate>& list, TComponent* root, TPNBasicPin& forPin,
                              unsigned options, std::string_view rootName, std::string_view separator);
// The same for the root of `forPin`'s owner, without a root prefix.
bool PNGetPinsValueList(std::vector<TPNPinCandidate>& list, TPNBasicPin& forPin, std::string_view separator,
                        unsigned options);

}  // namespace oculon::pins
