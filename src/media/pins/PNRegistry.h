#pragma once
// The process-wide registries of the pin framework: stream types (a GUID
// with a display name and an optional default handler), converters between
// two stream types, and the listeners an editor may attach to follow pins
// and links. The registries are filled at start-up and read by every pin;
// they are emptied when the library's last start ends (PNLibrary.h).

#include <memory>
#include <string>
#include <vector>

#include "media/pins/PNGuid.h"
#include "media/pins/PNOperations.h"

namespace oculon::pins {

// Registers `id` or renames it; a handler set before stays.
void PNRegisterStream(const TGUID& id, std::string name);
// The handler for pins that registered `id` without a submit function.
void PNRegisterDefaultHandler(const TGUID& id, TPNSubmitFunction handler);
TPNSubmitFunction PNGetDefaultHandler(const TGUID& id);
// "NIL ID" for the null GUID, the registered name, else the GUID text.
std::string PNGetStreamTypeFromID(const TGUID& id);

// More that a unit knows about a stream type, kept with its registration
// and found by the extension's own GUID.
class IPNStreamInfoExtention {
public:
    virtual ~IPNStreamInfoExtention() = default;
    virtual TGUID GetExtentionId() const = 0;
};
// Appends to the type's Extensions, registering the type when absent.
void PNAddStreamInfoExtention(const TGUID& id, std::shared_ptr<IPNStreamInfoExtention> extention);
// The type's Extensions in order of adding; empty for an unknown type.
std::vector<std::shared_ptr<IPNStreamInfoExtention>> PNGetStreamInfoExtentions(const TGUID& id);
// The first of the type's Extensions with that GUID, or null.
std::shared_ptr<IPNStreamInfoExtention> PNFindStreamInfoExtention(const TGUID& id, const TGUID& extentionId);

struct TPNConverterEntry {
    TGUID FromID;  // what a source offers: the converter's input
    TGUID ToID;    // what the sink accepts: the converter's output
    const TPNFormatConverterClass* ConverterClass;
};
// Registering a pair again replaces its class.
void PNRegisterTypeConverter(const TGUID& fromId, const TGUID& toId, const TPNFormatConverterClass* converterClass);
const TPNFormatConverterClass* PNGetConverter(const TGUID& fromId, const TGUID& toId);
// All pairs in order of registration.
std::vector<TPNConverterEntry> PNConverters();

void PNClearRegistries();

// Runs a unit's registrations once for every filling of the registries:
// the first user of the unit after start-up, or after the registries were
// emptied, registers; later users find everything in place. `registrations`
// runs under a lock of its own, and may start the units it builds on.
void PNRegisterOnce(void (*registrations)());

// Design-time listener. Nothing in the program registers one; a form
// designer or a test follows pins and links through it. The pins and lists
// passed are only valid during the call.
class IPNPinNotifier {
public:
    virtual ~IPNPinNotifier() = default;
    virtual void AddPin(TPNBasicPin&) {}
    virtual void RemovePin(TPNBasicPin&, bool /*rootDestroying*/) {}
    virtual void ChangePin(TPNBasicPin&) {}
    virtual void Connected(TPNObject& /*pin*/, TPNObject& /*other*/) {}
    virtual void Disconnected(TPNObject& /*pin*/, TPNObject& /*other*/) {}
    virtual void AddPinList(TPNObject&) {}
    virtual void RemovePinList(TPNObject&) {}
    virtual void ChangePinList(TPNObject&) {}
    virtual void PinListPinAdded(TPNObject& /*list*/, TPNBasicPin&) {}
    virtual void PinListPinRemoved(TPNObject& /*list*/, TPNBasicPin&, std::size_t /*index*/) {}
    virtual void PinListPinsSwapped(TPNObject& /*list*/) {}
    virtual void AddDispatcher(TPNObject&) {}
    virtual void RemoveDispatcher(TPNObject&) {}
    virtual void ChangeDispatcher(TPNObject&) {}
    virtual void NestedComponentRegistered(TPNObject&) {}
    virtual void ComponentOwnerChanged(TPNObject&) {}
    virtual void ComponentIndexChanged(TPNObject&) {}
};
void PNAddPinNotifier(std::shared_ptr<IPNPinNotifier> listener);
void PNRemovePinNotifier(const std::shared_ptr<IPNPinNotifier>& listener);

// Each calls one method of every listener in order; an exception a listener
// throws is swallowed and the next listener still runs.
void PNNotifyAddPin(TPNBasicPin& pin);
void PNNotifyRemovePin(TPNBasicPin& pin, bool rootDestroying);
void PNNotifyChangePin(TPNBasicPin& pin);
void PNNotifyConnected(TPNObject& pin, TPNObject& other);
void PNNotifyDisconnected(TPNObject& pin, TPNObject& other);
void PNNotifyAddDispatcher(TPNObject& dispatcher);
void PNNotifyRemoveDispatcher(TPNObject& dispatcher);
void PNNotifyChangeDispatcher(TPNObject& dispatcher);
void PNNotifyChangePinList(TPNObject& list);
void PNNotifyPinListPinRemoved(TPNObject& list, TPNBasicPin& pin, std::size_t index);

}  // namespace oculon::pins
