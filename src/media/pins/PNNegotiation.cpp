// The source side of stream-type negotiation: the restrict and query walks,
// the notice of a new link, and re-negotiation along a chain.
#include <algorithm>
#include <unordered_set>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNPins.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNSinkPin.h"

namespace oculon::pins {

namespace {

TPNStreamPin* streamPin(TPNBasicPin* pin) { return dynamic_cast<TPNStreamPin*>(pin); }

// `ask` of every pin in turn until one cannot; supported when all can.
template <typename Pins, typename Ask>
TPNQuery all(const Pins& pins, Ask ask) {
    for (auto* pin : pins)
        if (auto* s = streamPin(pin); s && !PNSupported(ask(*s))) return TPNQuery::NoInterface;
    return TPNQuery::Supported;
}

}  // namespace

std::vector<TPNBasicPin*> TPNSourcePin::connectionPins() {
    auto r = ReadLock();
    std::vector<TPNBasicPin*> pins;
    std::unordered_set<const TPNBasicPin*> seen;
    for (const auto& e : readSinks().items())
        if (seen.insert(e.ConnectionPin).second) pins.push_back(e.ConnectionPin);
    return pins;
}

void TPNSourcePin::DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    TPNStreamPin::DownStreamFillPossibleStreamTypes(list, from);
    for (TPNPin* input : dataTypeSources())
        if (auto* s = streamPin(input)) s->DownStreamBackRestrictPossibleStreamTypes(list, from);
}

void TPNSourcePin::UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    TPNStreamPin::UpStreamFillPossibleStreamTypes(list, from);
    for (TPNPin* input : dataTypeSources())
        if (auto* s = streamPin(input)) s->UpStreamBackRestrictPossibleStreamTypes(list, from);
}

void TPNSourcePin::DownStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownBackRestrict);
    if (!guard.entered()) return;
    if (from == this) {
        for (TPNBasicPin* pin : connectionPins())
            if (auto* s = streamPin(pin)) s->DownStreamForthRestrictPossibleStreamTypes(list, this);
        return;
    }
    if (const auto inputs = dataTypeSources(); !inputs.empty()) {
        for (TPNPin* input : inputs)
            if (auto* s = streamPin(input)) s->DownStreamBackRestrictPossibleStreamTypes(list, from);
        return;
    }
    OrderStreamTypes(list);
    DownStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSourcePin::UpStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpBackRestrict);
    if (!guard.entered()) return;
    if (from == this) {
        for (TPNBasicPin* pin : connectionPins())
            if (auto* s = streamPin(pin)) s->UpStreamForthRestrictPossibleStreamTypes(list, this);
        return;
    }
    if (const auto inputs = dataTypeSources(); !inputs.empty()) {
        for (TPNPin* input : inputs)
            if (auto* s = streamPin(input)) s->UpStreamBackRestrictPossibleStreamTypes(list, from);
        return;
    }
    UpStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSourcePin::DownStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownForthRestrict);
    if (!guard.entered() || from == this) return;
    const TPNPinStreamType own = StreamTypes();
    list.RemoveIf([&](const TGUID& id) { return own.Find(id) == nullptr; });
    for (TPNBasicPin* pin : connectionPins())
        if (auto* sink = dynamic_cast<TPNBasicSinkPin*>(pin))
            sink->DownStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSourcePin::UpStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpForthRestrict);
    if (!guard.entered() || from == this) return;
    list.RemoveIf([&](const TGUID& id) { return !PNSupported(RequestInterface(id)); });
    for (TPNBasicPin* pin : connectionPins())
        if (auto* sink = dynamic_cast<TPNBasicSinkPin*>(pin))
            sink->UpStreamForthRestrictPossibleStreamTypes(list, from);
}

TPNQuery TPNSourcePin::DownStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownForthQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (!StreamTypes().Find(id)) return TPNQuery::NoInterface;
    return all(connectionPins(), [&](TPNStreamPin& s) { return s.DownStreamForthQueryPossybleInterface(id, from); });
}

TPNQuery TPNSourcePin::UpStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpForthQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (!PNSupported(TPNBasicPin::RequestInterface(id))) return TPNQuery::NoInterface;
    return all(connectionPins(), [&](TPNStreamPin& s) { return s.UpStreamForthQueryPossybleInterface(id, from); });
}

TPNQuery TPNSourcePin::DownStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownBackQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (from == this)
        return all(connectionPins(),
                   [&](TPNStreamPin& s) { return s.DownStreamForthQueryPossybleInterface(id, this); });
    if (const auto inputs = dataTypeSources(); !inputs.empty())
        return all(inputs, [&](TPNStreamPin& s) { return s.DownStreamBackQueryPossybleInterface(id, from); });
    return DownStreamForthQueryPossybleInterface(id, from);
}

TPNQuery TPNSourcePin::UpStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpBackQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (from == this)
        return all(connectionPins(), [&](TPNStreamPin& s) { return s.UpStreamForthQueryPossybleInterface(id, this); });
    if (const auto inputs = dataTypeSources(); !inputs.empty())
        return all(inputs, [&](TPNStreamPin& s) { return s.UpStreamBackQueryPossybleInterface(id, from); });
    return UpStreamForthQueryPossybleInterface(id, from);
}

TPNQuery TPNSourcePin::DownStreamQueryPossybleInterface(const TGUID& id) {
    const TPNWalkGuard guard(this, wkDownQuery);
    const TPNQuery own = TPNStreamPin::DownStreamQueryPossybleInterface(id);
    if (!guard.entered() || !PNSupported(own)) return own;
    return all(dataTypeSources(), [&](TPNStreamPin& s) { return s.DownStreamForthQueryPossybleInterface(id, this); });
}

TPNQuery TPNSourcePin::UpStreamQueryPossybleInterface(const TGUID& id) {
    const TPNWalkGuard guard(this, wkUpQuery);
    const auto inputs = dataTypeSources();
    if (!guard.entered() || inputs.empty()) return TPNStreamPin::UpStreamQueryPossybleInterface(id);
    return all(inputs, [&](TPNStreamPin& s) { return s.UpStreamForthQueryPossybleInterface(id, this); });
}

TPNQuery TPNSourcePin::RequestInterface(const TGUID& iid) const {
    if (PNSupported(TPNStreamPin::RequestInterface(iid))) return TPNQuery::Supported;
    // The walk reads the pin's links under its own lock; nothing is changed.
    return const_cast<TPNSourcePin*>(this)->UpStreamQueryPossybleInterface(iid);
}

TPNConnectionChoice TPNSourcePin::DownStreamFindConnectionID(TPNBasicPin& sink, bool useConverters,
                                                             bool allowNewConverter) {
    TPNPinTypeRestricted possible;
    DownStreamFillPossibleStreamTypes(possible, this);
    if (auto direct = chooseType(possible, sink, false); !direct.ID.isNull()) return direct;
    if (useConverters) {
        const TPNFormatConverterList own = FormatConverters();
        for (std::size_t i = own.size(); i-- > 0;) {
            const auto& converter = own[i];
            if (converter->OutputPin().DownStreamFindConnectionID(sink, false, false).ID.isNull()) continue;
            const TGUID in = DownStreamFindConnectionID(converter->InputPin(), false, false).ID;
            if (!in.isNull()) return {in, converter, nullptr};
        }
    }
    return allowNewConverter ? chooseType(possible, sink, true) : TPNConnectionChoice{};
}

void TPNSourcePin::NewConnection(TPNBasicPin& sink) {
    TPNBasicPin* connection = nullptr;
    TPNSubmitFunction handler;
    // A converter on the way lives through the notice, also when another
    // thread drops the link meanwhile.
    std::shared_ptr<IPNFormatConverter> converter;
    {
        auto r = ReadLock();
        if (!r) return;
        const TPNPinEntry* e = readSinks().GetItemByPin(&sink);
        if (!e) return;
        connection = e->ConnectionPin;
        handler = e->SubmitFunction;
        converter = e->Converter;
    }
    NewConnection(*connection, handler);
}

void TPNSourcePin::NewConnection(TPNBasicPin& sink, const TPNSubmitFunction& handler) {
    if (!handler) return;
    {
        auto w = WriteLock();
        if (!w) return;
        if (FInSending.value() > kMaxNestedNewConnections) throw EOWException(kPinDependsOnItself);
        FInSending.enter();
    }
    // Taken back on every way out, a handler's exception included.
    struct Nesting {
        TPNSourcePin& pin;
        ~Nesting() {
            auto w = pin.WriteLock();
            PNNotifyChangePin(pin);
            pin.FInSending.leave(w);
        }
    } nesting{*this};
    const TGUID id = DownStreamFindConnectionID(sink, true, false).ID;
    // The handler runs with every hold given up: this pin's, the link
    // lock's and the owner's. They come back in the order they are taken:
    // the owner's, the link lock, this pin's.
    const IPNLockSection pinFree = UnlockAll();
    const IPNLockSection linkFree = PNLinkUnlockAll();
    const IPNLockSection inside = FDestroyLock.Lock();
    if (!inside) return;
    IPNLockSection ownerFree;
    if (FOwnerLock) ownerFree = FOwnerLock->UnlockAllLockInOrder(FInputOwnerLock.get());
    handler(sink, id, TPNNotifyStates{nsNewLink, nsLastIteration}, std::make_shared<TPNNotifyOperation>());
}

void TPNSourcePin::changeConnectionType(TPNBasicPin& real, const TGUID& id) {
    {
        auto r = ReadLock();
        const auto at = readSinks().IndexOf(&real);
        if (!r || !at || readSinks()[*at].ConnectedID == id) return;
    }
    const TGUID choice = DownStreamFindConnectionID(real, true, false).ID;
    TPNSubmitFunction handler = GetSubmitFunctionID(choice);
    TPNBasicPin* connection = nullptr;
    std::shared_ptr<IPNFormatConverter> converter;  // lives through the notice
    {
        auto w = WriteLock();
        const auto at = readSinks().IndexOf(&real);
        if (!w || !at) return;
        TPNPinEntry* e = &FSinkPins.TypeAndHandlerOf(*at);
        forthFresh(real);
        e->ConnectedID = choice;
        e->SubmitFunction = handler;
        connection = e->ConnectionPin;
        converter = e->Converter;
    }
    NewConnection(*connection, handler);
}

void TPNSourcePin::ChangeConnectionType(std::size_t index, const TGUID& id) {
    auto link = PNLinkSection();
    if (TPNBasicPin* real = GetSink(index)) changeConnectionType(*real, id);
}

void TPNSourcePin::BackChainReconnect(const TGUID& a, const TGUID& b) {
    const TPNWalkGuard guard(this, wkBackChain);
    if (!guard.entered()) return;
    auto link = PNLinkSection();
    if (const auto inputs = dataTypeSources(); !inputs.empty()) {
        for (TPNPin* input : inputs)
            if (auto* s = streamPin(input)) s->BackChainReconnect(a, b);
        return;
    }
    ForthChainReconnect(a, b);
}

void TPNSourcePin::ForthChainReconnect(const TGUID& a, const TGUID& b) {
    const TPNWalkGuard guard(this, wkForthChain);
    if (!guard.entered()) return;
    auto link = PNLinkSection();
    const std::uint64_t epoch = PNNegotiationEpoch();
    // The inputs this pin's type follows take part in every choice on its links.
    const bool follows = !dataTypeSources().empty();
    std::vector<TPNBasicPin*> fresh;
    bool known = false;
    {
        auto w = WriteLock();
        if (!w) return;
        known = !follows && FForthWalk.Known && FForthWalk.Epoch == epoch && FForthWalk.Type == a;
        fresh = std::exchange(FForthWalk.Fresh, {});
    }
    if (!known) {
        // By pin, not by index: deliveries reorder the entries meanwhile.
        forthSteps(linkedSinks(), 0, a, b);
        noteForthSettled(a, epoch);
        return;
    }
    // Only the links made or changed since the last walk, in their order.
    std::sort(fresh.begin(), fresh.end());
    fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
    std::vector<std::pair<std::size_t, TPNBasicPin*>> steps;
    {
        auto r = ReadLock();
        for (TPNBasicPin* sink : fresh)
            for (const std::size_t slot : readSinks().IndicesOf(sink)) steps.emplace_back(slot, sink);
    }
    std::sort(steps.begin(), steps.end());
    std::vector<TPNBasicPin*> walked;
    for (const auto& [slot, sink] : steps) {
        forthStep(*sink, a, b);
        walked.push_back(sink);
        if (PNNegotiationEpoch() == epoch) continue;
        // A handler changed what choices come to: the links behind this one
        // are walked as a whole walk would.
        const auto sinks = linkedSinks();
        std::size_t at = 0;
        for (std::size_t seen = std::count(walked.begin(), walked.end(), sink); at < sinks.size() && seen > 0; ++at)
            if (sinks[at] == sink) --seen;
        forthSteps(sinks, at, a, b);
        return;
    }
    noteForthSettled(a, epoch, &fresh);
}

void TPNSourcePin::forthStep(TPNBasicPin& sink, const TGUID& a, const TGUID& b) {
    changeConnectionType(sink, a);
    if (auto* s = dynamic_cast<TPNBasicSinkPin*>(&sink)) s->ForthChainReconnect(a, b);
}

void TPNSourcePin::forthSteps(const std::vector<TPNBasicPin*>& sinks, std::size_t first, const TGUID& a,
                              const TGUID& b) {
    for (std::size_t i = first; i < sinks.size(); ++i) forthStep(*sinks[i], a, b);
}

void TPNSourcePin::noteForthSettled(const TGUID& a, std::uint64_t epoch, const std::vector<TPNBasicPin*>* walked) {
    struct Link {
        TPNBasicPin* Sink;
        TGUID ID;
        bool Alone;  // linked once, to the pin itself
    };
    std::vector<Link> links;
    {
        auto r = ReadLock();
        if (!r) return;
        const auto note = [&](const TPNPinEntry& e) {
            links.push_back(
                {e.RealPin, e.ConnectedID, e.ConnectionPin == e.RealPin && readSinks().LinksTo(e.RealPin) == 1});
        };
        if (!walked) {
            for (const auto& e : readSinks().items()) note(e);
        } else {
            for (TPNBasicPin* sink : *walked)
                if (const TPNPinEntry* e = readSinks().GetItemByPin(sink)) note(*e);
        }
    }
    std::vector<TPNBasicPin*> unsettled;
    for (const Link& l : links) {
        // A placeholder's link chooses no type again and has no chain behind it.
        const bool placeholder = dynamic_cast<const TPNUnloadedPin*>(l.Sink) != nullptr;
        auto* sink = dynamic_cast<TPNSinkPin*>(l.Sink);
        const bool settled = l.Alone && (placeholder || (l.ID == a && sink && sink->ForthChainSettled(*this, l.ID)));
        if (!settled) unsettled.push_back(l.Sink);
    }
    auto w = WriteLock();
    if (!w) return;
    FForthWalk.Known = PNNegotiationEpoch() == epoch;
    FForthWalk.Epoch = epoch;
    FForthWalk.Type = a;
    // Links made while the sinks were asked are fresh already.
    FForthWalk.Fresh.insert(FForthWalk.Fresh.end(), unsettled.begin(), unsettled.end());
}

void TPNSourcePin::forthFresh(TPNBasicPin& sink) {
    FForthWalk.Fresh.push_back(&sink);
    // Links made with no walk after them: the next walk looks at all.
    if (FForthWalk.Fresh.size() > 2 * FSinkPins.Count() + 16) {
        FForthWalk.Known = false;
        FForthWalk.Fresh.clear();
    }
}

void TPNSourcePin::BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) {
    const TPNWalkGuard guard(this, wkPopulate);
    if (!guard.entered()) return;
    list.push_back(this);
    const auto inputs = dataTypeSources();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        auto* s = streamPin(inputs[i]);
        if (!s) continue;
        if (i == 0) {
            s->BackPopulateStreamChains(chains, list);
        } else {
            chains.push_back(std::make_shared<TPNObjectList>());
            s->BackPopulateStreamChains(chains, *chains.back());
        }
    }
}

}  // namespace oculon::pins
