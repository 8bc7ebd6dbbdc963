#include "media/pins/PNProperties.h"

#include "media/pins/PNPins.h"

namespace oculon::pins {

namespace {

std::string listEntryPath(const TComponent::PublishedProperty& p, std::size_t index, bool ident,
                          std::string_view separator) {
    if (ident) return p.Name + "._Pin" + std::to_string(index);
    return p.Name + std::string(separator) + p.List->PublishedName(index);
}

// Calls fn(pin, path) for every pin `owner` publishes, in declaration order.
template <typename Fn>
void eachPublishedPin(const TComponent& owner, bool ident, std::string_view separator, Fn fn) {
    for (const auto& p : owner.PublishedProperties()) {
        if (p.Pin) {
            if (fn(*p.Pin, p.Name)) return;
            continue;
        }
        for (std::size_t i = 0; i < p.List->PublishedCount(); ++i)
            if (TPNBasicPin* pin = p.List->PublishedPin(i); pin && fn(*pin, listEntryPath(p, i, ident, separator)))
                return;
    }
}

bool candidate(TPNBasicPin& forPin, TPNBasicPin& pin, unsigned options) {
    if (!(options & pvoFullList)) return forPin.CanConnectTo(pin, true);
    if (!forPin.IsCompatible(pin, true) && !pin.IsCompatible(forPin, true)) return false;
    return !(options & pvoExcludeDirectDependency) || !forPin.DirectDependsOn(pin);
}

}  // namespace

std::string PNGetClassPropertyNameForPropertyObject(const TComponent& owner, const TPNBasicPin& target, bool ident,
                                                    std::string_view separator) {
    if (owner.InState(csDestroying)) return {};
    std::string path;
    eachPublishedPin(owner, ident, separator, [&](TPNBasicPin& pin, const std::string& p) {
        if (&pin != &target) return false;
        path = p;
        return true;
    });
    return path;
}

std::string PNValueToString(TPNBasicPin* pin, std::string_view separator, bool withRoot, bool ident) {
    if (!pin) return {};
    TComponent* owner = pin->GetOwnerComponent();
    if (!owner) return "(No owner)";
    std::string text = owner->Name() + std::string(separator) +
                       PNGetClassPropertyNameForPropertyObject(*owner, *pin, ident, separator);
    if (withRoot) text = pin->GetRootName() + std::string(separator) + text;
    return text;
}

void PNGetPinsValueListSingleRoot(std::vector<TPNPinCandidate>& list, TComponent& root, TPNBasicPin& forPin,
                                  unsigned options, std::string_view rootName, std::string_view separator) {
    const bool ident = (options & pvoSaveValue) != 0;
    for (std::size_t c = 0; c < root.ComponentCount(); ++c) {
        TComponent& component = *root.Components(c);
        eachPublishedPin(component, ident, separator, [&](TPNBasicPin& pin, const std::string& path) {
            if (pin.GetOwnerComponent() == &component && candidate(forPin, pin, options)) {
                std::string text = rootName.empty() ? std::string() : std::string(rootName) + std::string(separator);
                list.push_back({text + component.Name() + std::string(separator) + path, &pin});
            }
            return false;
        });
        if (component.ComponentCount() > 0)
            PNGetPinsValueListSingleRoot(list, component, forPin, options, rootName, separator);
    }
}

void PNGetPinsValueListSingle(std::vector<TPNPinCandidate>& list, TComponent* root, TPNBasicPin& forPin,
                              unsigned options, std::string_view rootName, std::string_view separator) {
    if (TComponent* top = PNGetMainOwnerComponent(root))
        PNGetPinsValueListSingleRoot(list, *top, forPin, options, rootName, separator);
}

void PNGetPinsValueList(std::vector<TPNPinCandidate>& list, TPNBasicPin& forPin, std::string_view separator,
                        unsigned options) {
    PNGetPinsValueListSingle(list, forPin.GetOwnerComponent(), forPin, options, {}, separator);
}

}  // namespace oculon::pins
