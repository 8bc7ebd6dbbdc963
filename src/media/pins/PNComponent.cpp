#include "media/pins/PNComponent.h"

#include <algorithm>

namespace oculon::pins {

TComponent::TComponent(TComponent* owner, std::string name, TComponentKind kind)
    : name_(std::move(name)), owner_(owner), kind_(kind) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    if (owner_) std::erase(owner_->components_, this);
    // Owned components outliving their owner keep working, as roots of their own.
    for (TComponent* c : components_) c->owner_ = nullptr;
}

namespace {
std::atomic<std::uint64_t> namesEpoch{0};
}

std::uint64_t PNComponentNamesEpoch() { return namesEpoch.load(std::memory_order_acquire); }

void TComponent::SetName(std::string name) {
    if (name == name_) return;
    name_ = std::move(name);
    namesEpoch.fetch_add(1, std::memory_order_acq_rel);
}

void TComponent::GetPropInfos(TPropList& props) {
    props.push_back(PNProp<std::string>(
        "Name", [this] { return Name(); }, [this](std::string n) { SetName(n); }));
}

TPropList TComponent::PropList() {
    TPropList props;
    GetPropInfos(props);
    return PNSortedProps(std::move(props));
}

TComponent* PNGetMainOwnerComponent(TComponent* component) {
    while (component) {
        TComponent* owner = component->Owner();
        if (!owner || owner->Kind() == TComponentKind::Application || component->Kind() == TComponentKind::Form ||
            component->Kind() == TComponentKind::Frame)
            return component;
        component = owner;
    }
    return nullptr;
}

}  // namespace oculon::pins
