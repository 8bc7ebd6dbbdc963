#pragma once
// Two stand-ins that let a link exist where its pins cannot meet directly.
//
// A format converter is a hidden component with one input and one output
// pin, put by a source pin between itself and a sink whose stream types
// differ, when the converter registry knows one from the source's type to a
// type the sink takes. It lives while a link, a dispatcher or a call holds
// it (std::shared_ptr); the last reference unlinks and frees both pins.
//
// A placeholder (TPNUnloadedPin) stands, by name, for a pin of a form that
// is not loaded: links attach to it and move to the real pin when that pin
// comes into being (its CheckVirtualList). Placeholders live in a
// process-wide register that owns them; one that nothing refers to any
// more, outside an editor and a pin list, frees itself.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "media/pins/PNPins.h"
#include "media/pins/PNSinkPin.h"

namespace oculon::pins {

class TPNFormatConverter : public TComponent,
                           public IPNFormatConverter,
                           public std::enable_shared_from_this<TPNFormatConverter> {
public:
    TPNFormatConverter();  // never owned by a form
    ~TPNFormatConverter() override;

    // Derived converters make their two pins on Lock() with this converter
    // as owner, then hand them over: the output depends on the input (the
    // loop checks see through the converter), and operations that reach the
    // output from downstream go up through the input.
    void CreateEx(PNOwned<TPNSinkPin> input, PNOwned<TPNSourcePin> output);

    TPNSinkPin& InputPin() override { return *FInputPin; }
    TPNSourcePin& OutputPin() override { return *FOutputPin; }
    const std::shared_ptr<IPNLock>& Lock() const { return FLock; }

    // An operation from downstream, passed on up through the input pin.
    bool SourceOperationEvent(const IPNNotifyOperation& op);

private:
    const std::shared_ptr<IPNLock> FLock;
    PNOwned<TPNSinkPin> FInputPin;
    PNOwned<TPNSourcePin> FOutputPin;
};

// The converter that owns `pin`, or null.
TPNFormatConverter* PNConverterOf(const TPNBasicPin& pin);

class TPNUnloadedPin : public TPNBasicPin {
public:
    // `identName`: root, component and pin names joined by points.
    // Registers the placeholder; use PNMakeUnloadedPin.
    TPNUnloadedPin(TComponent* root, std::string createdFrom, std::string displayName, std::string identName,
                   TPNPinType type);
    ~TPNUnloadedPin() override;

    TPNPinType GetPinType() const override { return FType; }
    bool OwnerInDesigning() const override { return true; }
    TComponent* GetRoot() const override { return nullptr; }
    TComponent* RootForm() const { return FRoot; }
    const std::string& IdentName() const { return FIdentName; }
    const std::string& DisplayName() const { return FDisplayName; }
    bool DesignTime() const { return FDesignTime; }
    const std::string& CreatedFrom() const { return FCreatedFrom; }

    // With root: the names it was made with. Without: the identity name
    // less its root (for both). GetName: the display name's last part.
    std::string GetFullName(bool withRoot) override;
    std::string GetFullIdentName(bool withRoot) override;
    std::string GetName() override;

    bool CanConnectToInt(TPNBasicPin&, bool, TPNConnectionChoice&) override { return true; }
    bool IsCompatible(TPNBasicPin&, bool) override { return true; }
    bool DependsOn(const TPNBasicPin&) override { return false; }

    // Records the link and completes the other side: a source keeps the
    // placeholder among its sinks; a sink drops its link and takes the
    // placeholder as its source (no type, no handler).
    bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) override;
    void IntConnect(TPNBasicPin& pin, TPNBasicPin* after) override;
    void IntDisconnect(TPNBasicPin& pin, bool keepPlaceholder, std::uint64_t link) override;
    void Disconnect() override;
    void DisconnectFrom(TPNBasicPin& pin) override;
    bool IsConnected() override;
    bool IsConnectedTo(const TPNBasicPin& pin) override;
    std::size_t GetConnectedPinCount() override;
    TPNBasicPin* GetConnectedPin(std::size_t index) override;
    TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin) override;

    void PinDeletedNotify(TPNBasicPin& pin) override;
    void PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) override;
    void CheckVirtualList() override {}  // a placeholder stands for no other
    void HoldPin() override;
    void ReleasePin() override;
    void SetInEditor(bool inEditor);  // leaving the editor may free it
    void SetOwnedByList(bool owned);
    // Frees the placeholder when nothing refers to it (not in an editor, not
    // in a pin list, no links, not held).
    void CheckRemove() override;
    // Hands every link and after-pin reference to `realPin`, then frees the
    // placeholder. The caller must not use it afterwards.
    void PopulatePinAndDestroy(TPNBasicPin& realPin);

private:
    std::vector<TPNPinEntry> entries();

    const std::string FDisplayName;
    const std::string FIdentName;
    TComponent* FRoot = nullptr;
    const TPNPinType FType;
    bool FDesignTime = false;
    TPNPinEntryList FConnectedPins;  // RealPin and NotifyAfterPin of each link
    const std::string FCreatedFrom;
    bool FOwnedByList = false;
    bool FInRemove = false;
    bool FInEditor = false;
    // Entries of other pins that name this one as their notify-after pin,
    // and callers that keep it for a while.
    std::atomic<int> FHolds{0};
};

// Makes and registers a placeholder; the register owns it.
TPNUnloadedPin* PNMakeUnloadedPin(TComponent* root, std::string createdFrom, std::string displayName,
                                  std::string identName, TPNPinType type);
// The registered placeholders, oldest first; `fn` must not create or free pins.
void PNForEachUnloadedPin(const std::function<void(TPNUnloadedPin&)>& fn);
// Names a search for placeholders looks up: identity names with root, the
// name without root (display or identity: a placeholder has one), the
// display name with root.
struct TPNPlaceholderNames {
    std::vector<std::string> Idents;
    std::optional<std::string> Tail, Display;
};
// The oldest placeholder that has one of `names` and that `match` accepts
// (called under the register's lock; it must not create or free pins), or
// null. Of each name the placeholders are asked oldest first and the first
// accepted answers: without a walk through the others, as long as `match`
// accepts what has the name.
TPNUnloadedPin* PNFindUnloadedPin(const TPNPlaceholderNames& names, const std::function<bool(TPNUnloadedPin&)>& match);
std::size_t PNUnloadedPinCount();

}  // namespace oculon::pins
