#include "media/pins/PNProperties.h"

#include <algorithm>
#include <mutex>

#include "media/pins/PNExtCollection.h"
#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNPins.h"
#include "media/pins/PNSinkPin.h"
#include "media/pins/PNStateDispatcher.h"

namespace oculon::pins {

namespace {

struct ClassNames {
    std::mutex m;
    std::vector<std::pair<std::string, detail::TPNClassTest>> tests;
};

ClassNames& classNames() {
    static ClassNames names{{},
                            {
                                {"TComponent", &detail::isA<TComponent>},
                                {"TPersistent", &detail::isA<TPersistent>},
                                {"TPNExtCollection", &detail::isA<TPNExtCollection>},
                                {"TPNExtCollectionItem", &detail::isA<TPNExtCollectionItem>},
                                {"TPNObject", &detail::isA<TPNObject>},
                                {"TPNBasicPin", &detail::isA<TPNBasicPin>},
                                {"TPNPin", &detail::isA<TPNPin>},
                                {"TPNStreamPin", &detail::isA<TPNStreamPin>},
                                {"TPNSourcePin", &detail::isA<TPNSourcePin>},
                                {"TPNBasicSinkPin", &detail::isA<TPNBasicSinkPin>},
                                {"TPNSinkPin", &detail::isA<TPNSinkPin>},
                                {"TPNPinList", &detail::isA<TPNPinList>},
                                {"TPNUnloadedPin", &detail::isA<TPNUnloadedPin>},
                                {"TPNFormatConverter", &detail::isA<TPNFormatConverter>},
                            }};
    return names;
}

// Walks the objects `owner` publishes in declaration order, entering pin
// lists, collection items and settings objects (never components), and
// calls visit(object, path) for each; true from `visit` ends the walk.
// `path` holds the objects being searched: one that is reached again
// through its own properties is left out instead of looping.
template <typename Visit>
bool walk(const TPNPublisher& owner, const std::string& prefix, bool ident, std::string_view separator, Visit& visit,
          std::vector<const TPNPublisher*>& path) {
    path.push_back(&owner);
    const auto enter = [&](TPersistent& object, const std::string& at) {
        if (std::find(path.begin(), path.end(), &object) != path.end()) return false;
        return visit(TPNPropertyValue{&object}, at) || walk(object, at + ".", ident, separator, visit, path);
    };
    bool stopped = false;
    for (const auto& p : owner.PublishedProperties()) {
        const std::string at = prefix + p.Name;
        if (p.Pin) stopped = visit(TPNPropertyValue{p.Pin}, at);
        else if (p.Component) stopped = visit(TPNPropertyValue{p.Component}, at);
        else if (p.Object) stopped = enter(*p.Object, at);
        else if (p.List) {
            stopped = visit(TPNPropertyValue{p.List}, at);
            for (std::size_t i = 0; !stopped && i < p.List->PublishedCount(); ++i) {
                TPNBasicPin* pin = p.List->PublishedPin(i);
                stopped =
                    pin && visit(TPNPropertyValue{pin}, ident ? at + "._Pin" + std::to_string(i)
                                                              : at + std::string(separator) + p.List->PublishedName(i));
            }
        } else if (p.Collection) {
            stopped = visit(TPNPropertyValue{static_cast<TPersistent*>(p.Collection)}, at);
            for (std::size_t i = 0; !stopped && i < p.Collection->Count(); ++i)
                stopped = enter(p.Collection->Items(i),
                                ident ? at + "._Item" + std::to_string(i) : at + "[" + std::to_string(i) + "]");
        }
        if (stopped) break;
    }
    path.pop_back();
    return stopped;
}

bool destroying(const TPNPublisher& owner) {
    const auto* component = dynamic_cast<const TComponent*>(&owner);
    return component && component->InState(csDestroying);
}

bool candidate(TPNBasicPin& forPin, TPNBasicPin& pin, unsigned options) {
    if (!(options & pvoFullList)) return forPin.CanConnectTo(pin, true);
    if (!forPin.IsCompatible(pin, true) && !pin.IsCompatible(forPin, true)) return false;
    return !(options & pvoExcludeDirectDependency) || !forPin.DirectDependsOn(pin);
}

}  // namespace

void detail::registerClassTest(std::string name, TPNClassTest test) {
    auto& names = classNames();
    std::lock_guard l(names.m);
    const auto it =
        std::find_if(names.tests.begin(), names.tests.end(), [&](const auto& entry) { return entry.first == name; });
    if (it != names.tests.end()) it->second = test;
    else names.tests.emplace_back(std::move(name), test);
}

bool IsDescendOf(const TPNPropertyValue& object, std::string_view className) {
    detail::TPNClassTest test = nullptr;
    {
        auto& names = classNames();
        std::lock_guard l(names.m);
        for (const auto& [name, t] : names.tests)
            if (name == className) test = t;
    }
    return test && test(object);
}

bool PNGetClassPropertiesOfTypeNamePrefix(const TPNPublisher& owner, std::string_view typeName,
                                          std::vector<TPNPropertyLine>& list, bool ident, const std::string& prefix,
                                          std::string_view separator) {
    if (destroying(owner)) return false;
    auto visit = [&](const TPNPropertyValue& object, const std::string& at) {
        if (IsDescendOf(object, typeName)) list.push_back({at, object});
        return false;
    };
    std::vector<const TPNPublisher*> path;
    walk(owner, prefix, ident, separator, visit, path);
    return true;
}

bool PNGetClassPropertiesOfTypeName(const TPNPublisher& owner, std::string_view typeName,
                                    std::vector<TPNPropertyLine>& list, bool ident, std::string_view separator) {
    return PNGetClassPropertiesOfTypeNamePrefix(owner, typeName, list, ident, {}, separator);
}

std::string PNGetClassPropertyNameForPropertyObject(const TPNPublisher& owner, const TPNBasicPin& target, bool ident,
                                                    std::string_view separator) {
    if (destroying(owner)) return {};
    std::string found;
    auto visit = [&](const TPNPropertyValue& object, const std::string& at) {
        const auto* pin = std::get_if<TPNBasicPin*>(&object);
        if (!pin || *pin != &target) return false;
        found = at;
        return true;
    };
    std::vector<const TPNPublisher*> path;
    walk(owner, {}, ident, separator, visit, path);
    return found;
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

bool PNGetPinsValueListSingleRoot(std::vector<TPNPinCandidate>& list, TComponent& root, TPNBasicPin& forPin,
                                  unsigned options, std::string_view rootName, std::string_view separator) {
    const bool ident = (options & pvoSaveValue) != 0;
    const std::string front = rootName.empty() ? std::string() : std::string(rootName) + std::string(separator);
    bool complete = true;
    for (std::size_t c = 0; c < root.ComponentCount(); ++c) {
        TComponent& component = *root.Components(c);
        std::vector<TPNPropertyLine> pins;
        complete = PNGetClassPropertiesOfTypeName(component, "TPNPin", pins, ident, separator) && complete;
        for (const auto& line : pins) {
            TPNBasicPin* pin = std::get<TPNBasicPin*>(line.Object);
            if (pin->GetOwnerComponent() == &component && candidate(forPin, *pin, options))
                list.push_back({front + component.Name() + std::string(separator) + line.Text, pin});
        }
        if (component.ComponentCount() > 0)
            complete = PNGetPinsValueListSingleRoot(list, component, forPin, options, rootName, separator) && complete;
    }
    return complete;
}

bool PNGetPinsValueListSingle(std::vector<TPNPinCandidate>& list, TComponent* root, TPNBasicPin& forPin,
                              unsigned options, std::string_view rootName, std::string_view separator) {
    TComponent* top = PNGetMainOwnerComponent(root);
    return top && PNGetPinsValueListSingleRoot(list, *top, forPin, options, rootName, separator);
}

bool PNGetPinsValueList(std::vector<TPNPinCandidate>& list, TPNBasicPin& forPin, std::string_view separator,
                        unsigned options) {
    return PNGetPinsValueListSingle(list, forPin.GetOwnerComponent(), forPin, options, {}, separator);
}

}  // namespace oculon::pins
