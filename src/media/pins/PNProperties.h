#pragma once
// Pin names and pin pickers from the pins that components publish
// (TComponent::PublishPin, PublishPinList): the dotted name of a pin, and
// the list of pins another pin could be linked to.

#include <string>
#include <string_view>
#include <vector>

#include "media/pins/PNComponent.h"

namespace oculon::pins {

class TPNBasicPin;

// The path of `target` among the properties `owner` publishes: the property
// name, or for a pin of a pin list the list's name followed by "._Pin" and
// the index (identity form) or by `separator` and the pin's name in the list
// (display form). Empty when `owner` is being destroyed or does not publish it.
std::string PNGetClassPropertyNameForPropertyObject(const TComponent& owner, const TPNBasicPin& target, bool ident,
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
// pvoSaveValue); components owned by components are searched too.
void PNGetPinsValueListSingleRoot(std::vector<TPNPinCandidate>& list, TComponent& root, TPNBasicPin& forPin,
                                  unsigned options, std::string_view rootName, std::string_view separator);
// The same for the root of `root`.
void PNGetPinsValueListSingle(std::vector<TPNPinCandidate>& list, TComponent* root, TPNBasicPin& forPin,
                              unsigned options, std::string_view rootName, std::string_view separator);
// The same for the root of `forPin`'s owner, without a root prefix.
void PNGetPinsValueList(std::vector<TPNPinCandidate>& list, TPNBasicPin& forPin, std::string_view separator,
                        unsigned options);

}  // namespace oculon::pins
