#pragma once
// The component model the pins hang on: a named component with an owner (a
// form, a frame, another component), the state flags that change how links
// behave (loading, designing, destroying), and the pins it publishes under
// property names, which give every pin its dotted name
// (VideoViewerFrame1.VDAVILogger1.InputPin). Names, owners and published
// pins are set up on one thread before any data flows.
//
// PNOwned<T> owns a component or a pin: it runs AfterConstruction() once
// the object is complete and BeforeDestruction() while it still is, which a
// C++ constructor or destructor cannot do for its derived parts.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "media/pins/PNPublished.h"

namespace oculon::platform {
class TFiler;
}

namespace oculon::pins {

class TPNBasicPin;

template <typename T>
class PNOwned {
public:
    PNOwned() = default;
    PNOwned(PNOwned&& other) noexcept = default;
    // A derived object handed to an owner of its base (pin lists, registers).
    template <typename U>
    requires std::is_convertible_v<U*, T*> PNOwned(PNOwned<U>&& other)
    noexcept : p_(std::move(other.p_)) {}
    PNOwned& operator=(PNOwned&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::move(other.p_);
        }
        return *this;
    }
    ~PNOwned() { reset(); }

    template <typename... Args>
    static PNOwned make(Args&&... args) {
        PNOwned owned;
        owned.p_ = std::make_unique<T>(std::forward<Args>(args)...);
        owned.p_->AfterConstruction();
        return owned;
    }

    void reset() {
        if (p_) {
            p_->BeforeDestruction();
            p_.reset();
        }
    }
    T* get() const { return p_.get(); }
    T* operator->() const { return p_.get(); }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    template <typename U>
    friend class PNOwned;
    std::unique_ptr<T> p_;
};

// Where the root rule stops: forms and frames are roots, and so is anything
// owned directly by the application object.
enum class TComponentKind : std::uint8_t { Component, Form, Frame, Application };

enum TComponentStateFlag : std::uint8_t { csLoading = 1, csDesigning = 2, csDestroying = 4 };

// A pin list as the name helpers see it.
class IPNPublishedPinList {
public:
    virtual ~IPNPublishedPinList() = default;
    virtual std::size_t PublishedCount() const = 0;
    virtual TPNBasicPin* PublishedPin(std::size_t index) const = 0;
    virtual std::string PublishedName(std::size_t index) const = 0;
};

class TComponent;
class TPersistent;
class TPNExtCollection;

// An object with published object properties: pins, pin lists, settings
// collections, settings objects and references to components. The name
// helpers find pins through them, by the property paths they give.
class TPNPublisher {
public:
    // In declaration order; exactly one pointer is set.
    struct PublishedProperty {
        std::string Name;
        TPNBasicPin* Pin = nullptr;                 // a pin property
        const IPNPublishedPinList* List = nullptr;  // or a pin list property
        TPNExtCollection* Collection = nullptr;     // or a collection of settings items
        TPersistent* Object = nullptr;              // or a settings object, searched with its own properties
        TComponent* Component = nullptr;            // or a reference to a component, never searched
    };
    void PublishPin(std::string property, TPNBasicPin& pin) { published_.push_back({std::move(property), &pin}); }
    void PublishPinList(std::string property, const IPNPublishedPinList& list) {
        published_.push_back({std::move(property), nullptr, &list});
    }
    void PublishCollection(std::string property, TPNExtCollection& collection) {
        published_.push_back({.Name = std::move(property), .Collection = &collection});
    }
    void PublishObject(std::string property, TPersistent& object) {
        published_.push_back({.Name = std::move(property), .Object = &object});
    }
    void PublishComponent(std::string property, TComponent& component) {
        published_.push_back({.Name = std::move(property), .Component = &component});
    }
    const std::vector<PublishedProperty>& PublishedProperties() const { return published_; }

    virtual ~TPNPublisher() = default;

private:
    std::vector<PublishedProperty> published_;
};

class TComponent : public TPNPublisher {
public:
    explicit TComponent(TComponent* owner = nullptr, std::string name = {},
                        TComponentKind kind = TComponentKind::Component);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name);
    TComponent* Owner() const { return owner_; }
    TComponentKind Kind() const { return kind_; }
    // Owned components in creation order.
    std::size_t ComponentCount() const { return components_.size(); }
    TComponent* Components(std::size_t index) const { return components_.at(index); }

    // Read on delivering threads while the main thread changes it (a
    // component being destroyed refuses what still reaches its pins).
    bool InState(TComponentStateFlag flag) const { return (state_.load(std::memory_order_acquire) & flag) != 0; }
    void SetDesigning(bool on) { setFlag(csDesigning, on); }
    void SetLoading(bool on) { setFlag(csLoading, on); }

    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() { setFlag(csDestroying, true); }
    // Ends loading; components of a form being built call it when the form is complete.
    virtual void Loaded() { setFlag(csLoading, false); }

    // The component's own defined properties in its stream, after those of
    // its published pins (PNPersistence.h writes and reads them).
    virtual void DefineProperties(platform::TFiler& filer) {}
    // Published values and settings objects (PNPublished.h): "Name", then
    // what descendants add.
    virtual void GetPropInfos(TPropList& props);
    TPropList PropList();  // sorted by name

private:
    void setFlag(TComponentStateFlag flag, bool on) {
        if (on) state_.fetch_or(flag, std::memory_order_acq_rel);
        else state_.fetch_and(static_cast<std::uint8_t>(~flag), std::memory_order_acq_rel);
    }

    std::string name_;
    TComponent* owner_;
    TComponentKind kind_;
    std::atomic<std::uint8_t> state_{0};
    std::vector<TComponent*> components_;
};

// Counts the changes of components' names (for indexes of names).
std::uint64_t PNComponentNamesEpoch();

// The root (form or frame) of a component: null for null; the component
// itself when it has no owner, is owned by the application, or is a form or
// frame; otherwise the root of its owner.
TComponent* PNGetMainOwnerComponent(TComponent* component);

}  // namespace oculon::pins
