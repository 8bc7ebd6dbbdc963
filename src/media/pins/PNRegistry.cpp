#include "media/pins/PNRegistry.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <shared_mutex>

namespace oculon::pins {

namespace {

struct StreamEntry {
    TGUID ID;
    std::string Name;
    TPNSubmitFunction DefaultHandler;
    std::vector<std::shared_ptr<IPNStreamInfoExtention>> Extensions;
};

// Written at start-up, read by every link and delivery afterwards.
struct Registries {
    std::shared_mutex m;
    std::vector<StreamEntry> streams;
    std::vector<TPNConverterEntry> converters;
    std::uint64_t fillings = 0;                              // emptied so often; changed under m
    std::recursive_mutex once;                               // serialises PNRegisterOnce; one unit may start another
    std::vector<std::pair<void (*)(), std::uint64_t>> done;  // under once
};

Registries& registries() {
    static Registries r;
    return r;
}

StreamEntry& streamEntry(Registries& r, const TGUID& id) {
    for (auto& e : r.streams)
        if (e.ID == id) return e;
    return r.streams.emplace_back(StreamEntry{id, {}, {}, {}});
}

struct Notifiers {
    std::mutex m;
    std::vector<std::shared_ptr<IPNPinNotifier>> list;
    std::atomic<int> count{0};
};

Notifiers& notifiers() {
    static Notifiers n;
    return n;
}

template <typename Call>
void notifyAll(Call call) {
    auto& n = notifiers();
    if (n.count.load(std::memory_order_acquire) == 0) return;
    std::lock_guard l(n.m);
    for (const auto& listener : n.list) {
        try {
            call(*listener);
        } catch (...) {
            // A listener serves an editor; its failure must not break the link it watches.
        }
    }
}

}  // namespace

std::string PNGetStreamGUIDFromID(const TGUID& id) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.D1, id.D2, id.D3,
                  id.D4[0], id.D4[1], id.D4[2], id.D4[3], id.D4[4], id.D4[5], id.D4[6], id.D4[7]);
    return text;
}

void PNRegisterStream(const TGUID& id, std::string name) {
    auto& r = registries();
    std::unique_lock l(r.m);
    streamEntry(r, id).Name = std::move(name);
}

void PNRegisterDefaultHandler(const TGUID& id, TPNSubmitFunction handler) {
    auto& r = registries();
    std::unique_lock l(r.m);
    streamEntry(r, id).DefaultHandler = std::move(handler);
}

TPNSubmitFunction PNGetDefaultHandler(const TGUID& id) {
    auto& r = registries();
    std::shared_lock l(r.m);
    for (const auto& e : r.streams)
        if (e.ID == id) return e.DefaultHandler;
    return {};
}

std::string PNGetStreamTypeFromID(const TGUID& id) {
    if (id.isNull()) return "NIL ID";
    {
        auto& r = registries();
        std::shared_lock l(r.m);
        for (const auto& e : r.streams)
            if (e.ID == id) return e.Name;
    }
    return PNGetStreamGUIDFromID(id);
}

void PNAddStreamInfoExtention(const TGUID& id, std::shared_ptr<IPNStreamInfoExtention> extention) {
    auto& r = registries();
    std::unique_lock l(r.m);
    streamEntry(r, id).Extensions.push_back(std::move(extention));
}

std::vector<std::shared_ptr<IPNStreamInfoExtention>> PNGetStreamInfoExtentions(const TGUID& id) {
    auto& r = registries();
    std::shared_lock l(r.m);
    for (const auto& e : r.streams)
        if (e.ID == id) return e.Extensions;
    return {};
}

std::shared_ptr<IPNStreamInfoExtention> PNFindStreamInfoExtention(const TGUID& id, const TGUID& extentionId) {
    for (auto& extention : PNGetStreamInfoExtentions(id))
        if (extention->GetExtentionId() == extentionId) return extention;
    return nullptr;
}

void PNRegisterTypeConverter(const TGUID& fromId, const TGUID& toId, const TPNFormatConverterClass* converterClass) {
    auto& r = registries();
    std::unique_lock l(r.m);
    for (auto& e : r.converters) {
        if (e.FromID == fromId && e.ToID == toId) {
            e.ConverterClass = converterClass;
            return;
        }
    }
    r.converters.push_back({fromId, toId, converterClass});
}

const TPNFormatConverterClass* PNGetConverter(const TGUID& fromId, const TGUID& toId) {
    auto& r = registries();
    std::shared_lock l(r.m);
    for (const auto& e : r.converters)
        if (e.FromID == fromId && e.ToID == toId) return e.ConverterClass;
    return nullptr;
}

std::vector<TPNConverterEntry> PNConverters() {
    auto& r = registries();
    std::shared_lock l(r.m);
    return r.converters;
}

void PNClearRegistries() {
    auto& r = registries();
    std::unique_lock l(r.m);
    r.streams.clear();
    r.converters.clear();
    ++r.fillings;
}

void PNRegisterOnce(void (*registrations)()) {
    auto& r = registries();
    std::lock_guard once(r.once);
    std::uint64_t filling = 0;
    {
        std::shared_lock l(r.m);
        filling = r.fillings;
    }
    const auto find = [&] {
        return std::find_if(r.done.begin(), r.done.end(), [&](const auto& d) { return d.first == registrations; });
    };
    if (const auto it = find(); it != r.done.end() && it->second == filling) return;
    registrations();  // may add the units it starts to r.done
    if (const auto it = find(); it != r.done.end()) it->second = filling;
    else r.done.emplace_back(registrations, filling);
}

void PNAddPinNotifier(std::shared_ptr<IPNPinNotifier> listener) {
    auto& n = notifiers();
    std::lock_guard l(n.m);
    n.list.push_back(std::move(listener));
    n.count.store(static_cast<int>(n.list.size()), std::memory_order_release);
}

void PNRemovePinNotifier(const std::shared_ptr<IPNPinNotifier>& listener) {
    auto& n = notifiers();
    std::lock_guard l(n.m);
    std::erase(n.list, listener);
    n.count.store(static_cast<int>(n.list.size()), std::memory_order_release);
}

void PNNotifyAddPin(TPNBasicPin& pin) {
    notifyAll([&](IPNPinNotifier& n) { n.AddPin(pin); });
}
void PNNotifyRemovePin(TPNBasicPin& pin, bool rootDestroying) {
    notifyAll([&](IPNPinNotifier& n) { n.RemovePin(pin, rootDestroying); });
}
void PNNotifyChangePin(TPNBasicPin& pin) {
    notifyAll([&](IPNPinNotifier& n) { n.ChangePin(pin); });
}
void PNNotifyConnected(TPNObject& pin, TPNObject& other) {
    notifyAll([&](IPNPinNotifier& n) { n.Connected(pin, other); });
}
void PNNotifyDisconnected(TPNObject& pin, TPNObject& other) {
    notifyAll([&](IPNPinNotifier& n) { n.Disconnected(pin, other); });
}
void PNNotifyAddDispatcher(TPNObject& dispatcher) {
    notifyAll([&](IPNPinNotifier& n) { n.AddDispatcher(dispatcher); });
}
void PNNotifyRemoveDispatcher(TPNObject& dispatcher) {
    notifyAll([&](IPNPinNotifier& n) { n.RemoveDispatcher(dispatcher); });
}
void PNNotifyChangeDispatcher(TPNObject& dispatcher) {
    notifyAll([&](IPNPinNotifier& n) { n.ChangeDispatcher(dispatcher); });
}
void PNNotifyChangePinList(TPNObject& list) {
    notifyAll([&](IPNPinNotifier& n) { n.ChangePinList(list); });
}
void PNNotifyPinListPinRemoved(TPNObject& list, TPNBasicPin& pin, std::size_t index) {
    notifyAll([&](IPNPinNotifier& n) { n.PinListPinRemoved(list, pin, index); });
}

}  // namespace oculon::pins
