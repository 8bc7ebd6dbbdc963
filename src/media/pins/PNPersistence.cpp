#include "media/pins/PNPersistence.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNPins.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNSinkPin.h"
#include "media/pins/PNStateDispatcher.h"

namespace oculon::pins {

using platform::TFiler;
using platform::TReader;
using platform::TValueType;
using platform::TWriter;

namespace {

// A pin as links name it: its identity name with root, and its display
// name with root when that differs (a pin of a named pin list).
struct PinName {
    std::string Ident;
    std::string Display;
};

PinName nameOf(TPNBasicPin& pin) { return {pin.GetFullIdentName(true), pin.GetFullName(true)}; }

// The identity name, or the list (identity 'display').
void writeName(TWriter& w, const PinName& name) {
    if (name.Display == name.Ident) {
        w.WriteIdent(name.Ident);
        return;
    }
    w.WriteListBegin();
    w.WriteIdent(name.Ident);
    w.WriteString(name.Display);
    w.WriteListEnd();
}

std::string readPinIdent(TReader& r) {
    std::string ident = r.ReadIdent();
    if (ident.empty()) r.Fail("empty pin name");
    return ident;
}

// An identifier, or (identity 'display'); the display name is the identity
// name when none is given.
PinName readName(TReader& r) {
    if (r.NextValue() == TValueType::vaIdent) {
        std::string ident = readPinIdent(r);
        return {ident, ident};
    }
    r.ReadListBegin();
    PinName name;
    name.Ident = readPinIdent(r);
    name.Display = platform::GOWIsStringValueType(r.NextValue()) ? r.ReadString() : name.Ident;
    r.ReadListEnd();
    return name;
}

// A member entry of another root, read and skipped: those pins join the
// dispatcher when their own root is read. An identifier, or a list of one,
// an optional second identifier and up to two strings.
void skipMemberEntry(TReader& r) {
    if (r.NextValue() == TValueType::vaIdent) {
        readPinIdent(r);
        return;
    }
    r.ReadListBegin();
    readPinIdent(r);
    if (r.NextValue() == TValueType::vaIdent) r.ReadIdent();
    for (int i = 0; i < 2 && platform::GOWIsStringValueType(r.NextValue()); ++i) r.ReadString();
    r.ReadListEnd();
}

// The dispatcher's name, or the list of the name and the members of other roots.
std::string readDispatcherName(TReader& r) {
    std::string name;
    if (platform::GOWIsStringValueType(r.NextValue())) {
        name = r.ReadString();
    } else {
        r.ReadListBegin();
        name = r.ReadString();
        while (!r.EndOfList()) skipMemberEntry(r);
        r.ReadListEnd();
    }
    if (name.empty()) r.Fail("empty dispatcher name");
    return name;
}

// The dispatcher's name; the first time `pin`'s root is written while the
// dispatcher has members of other roots, the name and those members. Every
// member written counts; once all have been, the dispatcher forgets which
// roots it has seen, ready for the next save.
void writeDispatcherName(TWriter& w, TPNStateDispatcher& dispatcher, TPNBasicPin& pin) {
    const TComponent* root = pin.GetRoot();
    if (dispatcher.IsCrosForm() && !dispatcher.IsFormSaved(root)) {
        const std::string rootName = pin.GetRootName();
        w.WriteListBegin();
        w.WriteString(dispatcher.Name());
        for (const auto& m : dispatcher.Members())
            if (m.RealPin->GetRootName() != rootName) writeName(w, nameOf(*m.RealPin));
        w.WriteListEnd();
    } else {
        w.WriteString(dispatcher.Name());
    }
    if (dispatcher.CountSaved() + 1 >= static_cast<int>(dispatcher.GetPinCount())) dispatcher.ResetFormsSave();
    else dispatcher.AddFormSaved(root);
}

std::optional<TGUID> parseGuid(std::string_view s) {
    if (s.size() != 38 || s[0] != '{' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-' || s[37] != '}')
        return std::nullopt;
    auto field = [&](std::size_t at, std::size_t digits) -> std::optional<std::uint32_t> {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const char c = s[at + i];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
            if (d < 0) return std::nullopt;
            v = v << 4 | static_cast<std::uint32_t>(d);
        }
        return v;
    };
    TGUID g;
    const auto d1 = field(1, 8), d2 = field(10, 4), d3 = field(15, 4);
    if (!d1 || !d2 || !d3) return std::nullopt;
    g.D1 = *d1;
    g.D2 = static_cast<std::uint16_t>(*d2);
    g.D3 = static_cast<std::uint16_t>(*d3);
    const std::size_t at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto b = field(at[i], 2);
        if (!b) return std::nullopt;
        g.D4[i] = static_cast<std::uint8_t>(*b);
    }
    return g;
}

void collectComponents(TComponent& c, std::vector<TComponent*>& out) {
    out.push_back(&c);
    for (std::size_t i = 0; i < c.ComponentCount(); ++i) collectComponents(*c.Components(i), out);
}

platform::TStreamObject writeObject(TComponent& c) {
    platform::TStreamObject o{PNClassName(c), c.Name(), {}, {}};
    platform::TPropertyWriteFiler filer(o.Properties);
    PNDefineComponentProperties(c, filer);
    for (std::size_t i = 0; i < c.ComponentCount(); ++i) o.Children.push_back(writeObject(*c.Components(i)));
    return o;
}

void readObject(TComponent& c, const platform::TStreamObject& o, platform::TApplyQueue& queue) {
    std::vector<bool> used(o.Properties.size());
    platform::TPropertyReadFiler filer(o.Properties, used, queue);
    PNDefineComponentProperties(c, filer);
    for (std::size_t i = 0; i < used.size(); ++i)
        if (!used[i])
            throw platform::EComponentStreamError("unknown property \"" + o.Properties[i].Name + "\" of " + c.Name());
    if (o.Children.empty()) return;
    // The first component of each name, found without a walk per child.
    std::unordered_map<std::string_view, TComponent*> byName;
    for (std::size_t i = 0; i < c.ComponentCount(); ++i) byName.emplace(c.Components(i)->Name(), c.Components(i));
    for (const auto& child : o.Children) {
        const auto found = byName.find(child.Name);
        if (found == byName.end())
            throw platform::EComponentStreamError("no component \"" + child.Name + "\" in " + c.Name());
        readObject(*found->second, child, queue);
    }
}

// Marks the components loading for the read; puts back what was before
// unless the read went through.
class LoadingScope {
public:
    explicit LoadingScope(std::vector<TComponent*> components) : components_(std::move(components)) {
        for (TComponent* c : components_) {
            before_.push_back(c->InState(csLoading));
            c->SetLoading(true);
        }
    }
    ~LoadingScope() {
        if (done_) return;
        for (std::size_t i = 0; i < components_.size(); ++i) components_[i]->SetLoading(before_[i]);
    }
    // Every component ends its loading, owned ones before their owner.
    void Loaded() {
        done_ = true;
        for (std::size_t i = components_.size(); i-- > 0;) components_[i]->Loaded();
    }

private:
    std::vector<TComponent*> components_;
    std::vector<bool> before_;
    bool done_ = false;
};

}  // namespace

// ---- Basic pin

bool TPNBasicPin::DoStateWrite() { return IsStateConnected() && !DoStateConverterWrite(); }

void TPNBasicPin::WriteFormName(TWriter& writer) {
    const TComponent* root = GetRoot();
    writer.WriteIdent(root ? root->Name() : GetRootName());
}

void TPNBasicPin::ReadFormName(TReader& reader) {
    reader.Apply([this, name = reader.ReadIdent()] { SetLoadFormName(name); });
}

void TPNBasicPin::WriteStateConnectionsData(TWriter& writer) {
    if (const auto dispatcher = Dispatcher()) writeDispatcherName(writer, *dispatcher, *this);
}

void TPNBasicPin::ReadStateConnectionsData(TReader& reader) {
    reader.Apply([this, name = readDispatcherName(reader)] {
        auto link = PNLinkSection();
        CheckVirtualList();
        LinkToStateByName(name);
    });
}

void TPNBasicPin::WriteListEntry(TWriter& writer) {
    if (DoStateWrite()) {
        writer.WriteIdent("State");
        writer.WriteListBegin();
        WriteStateConnectionsData(writer);
        WriteNoStateListEntry(writer);
        writer.WriteListEnd();
    } else if (!WriteNoStateListEntry(writer)) {
        writer.WriteIdent("nil");
    }
}

void TPNBasicPin::ReadListEntry(TReader& reader) {
    if (reader.NextIsNil()) {
        reader.ReadNil();
    } else if (reader.NextIdent() == "State") {
        reader.ReadIdent();
        reader.ReadListBegin();
        ReadStateConnectionsData(reader);
        if (!reader.EndOfList()) ReadNoStateListEntry(reader);
        reader.ReadListEnd();
    } else {
        ReadNoStateListEntry(reader);
    }
}

void TPNBasicPin::ReadNoStateListEntry(TReader& reader) { reader.Fail("the pin has no links of its own"); }

void TPNPin::DefineProperties(TFiler& filer) {
    TPNBasicPin::DefineProperties(filer);
    filer.DefineProperty(
        "Form", [this](TReader& r) { ReadFormName(r); }, [this](TWriter& w) { WriteFormName(w); }, DoFormWrite());
    filer.DefineProperty(
        "State", [this](TReader& r) { ReadStateConnectionsData(r); },
        [this](TWriter& w) { WriteStateConnectionsData(w); }, DoStateWrite());
}

// ---- Source pin

void TPNSourcePin::DefineProperties(TFiler& filer) {
    TPNStreamPin::DefineProperties(filer);
    filer.DefineProperty(
        "SinkPins", [this](TReader& r) { ReadConnectionsData(r); }, [this](TWriter& w) { WriteConnectionsData(w); },
        DoWrite());
}

void TPNSourcePin::WriteConnectionsData(TWriter& writer) {
    writer.WriteListBegin();
    for (const auto& entry : Entries()) {
        const PinName sink = nameOf(*entry.RealPin);
        if (sink.Display == sink.Ident && !entry.NotifyAfterPin) {
            writer.WriteIdent(sink.Ident);
            continue;
        }
        writer.WriteListBegin();
        writer.WriteIdent(sink.Ident);
        if (entry.NotifyAfterPin) writer.WriteIdent(entry.NotifyAfterPin->GetFullIdentName(true));
        if (sink.Display != sink.Ident) writer.WriteString(sink.Display);
        writer.WriteListEnd();
    }
    writer.WriteListEnd();
}

void TPNSourcePin::ReadConnectionsData(TReader& reader) {
    struct Link {
        PinName Sink;
        std::string After;
    };
    std::vector<Link> links;
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        Link link;
        if (reader.NextValue() == TValueType::vaIdent) {
            link.Sink.Ident = link.Sink.Display = readPinIdent(reader);
        } else {
            reader.ReadListBegin();
            link.Sink.Ident = readPinIdent(reader);
            if (reader.NextValue() == TValueType::vaIdent) link.After = readPinIdent(reader);
            link.Sink.Display =
                platform::GOWIsStringValueType(reader.NextValue()) ? reader.ReadString() : link.Sink.Ident;
            reader.ReadListEnd();
        }
        links.push_back(std::move(link));
    }
    reader.ReadListEnd();
    reader.Apply([this, links]() mutable {
        auto section = PNLinkSection();
        CheckVirtualList();
        TComponent* root = GetRoot();
        // The pins named stay while the links are made (a placeholder that
        // no link took goes afterwards): a link that makes room under the
        // connection limit must not free one that a later link names.
        std::vector<TPNBasicPin*> sinks;
        std::vector<TPNPinHold> named;
        // Most names come twice, as a sink and as another's notify-after
        // pin; held, and older than any pin the links make, the pin found
        // first is the one a second search would find.
        std::unordered_map<std::string, TPNBasicPin*> found;
        const auto pinNamed = [&](const std::string& ident, const std::string& display) {
            if (ident != display)
                return TPNInternalPinList::GetByNameCreate(root, TPNPinType::ptSink, ident, display, ident);
            auto [it, first] = found.try_emplace(ident, nullptr);
            if (first) it->second = TPNInternalPinList::GetByNameCreate(root, TPNPinType::ptSink, ident, ident, ident);
            return it->second;
        };
        for (auto& link : links) {
            ApplyFormName(link.Sink.Ident);
            ApplyFormName(link.Sink.Display);
            TPNBasicPin* sink = pinNamed(link.Sink.Ident, link.Sink.Display);
            TPNBasicPin* after = nullptr;
            if (!link.After.empty()) {
                ApplyFormName(link.After);
                after = pinNamed(link.After, link.After);
            }
            named.emplace_back(sink);
            named.emplace_back(after);
            if (sink && IntConnectAfter(*sink, after)) sinks.push_back(sink);
        }
        // Links that placeholders handed over, or that sinks read before
        // made, come in the order they were made: the stored order is this
        // list's.
        orderLinksAs(sinks);
    });
}

bool TPNSourcePin::WriteNoStateListEntry(TWriter& writer) {
    if (!DoWrite()) return false;
    writer.WriteIdent("Sinks");
    WriteConnectionsData(writer);
    return true;
}

void TPNSourcePin::ReadNoStateListEntry(TReader& reader) {
    if (reader.ReadIdent() != "Sinks") reader.Fail("\"Sinks\" expected");
    ReadConnectionsData(reader);
}

// ---- Sink pin

void TPNSinkPin::DefineProperties(TFiler& filer) {
    TPNBasicSinkPin::DefineProperties(filer);
    filer.DefineProperty(
        "SourcePin", [this](TReader& r) { ReadConnectionsData(r); }, [this](TWriter& w) { WriteConnectionsData(w); },
        DoWrite());
    filer.DefineProperty(
        "StateConverter", [this](TReader& r) { ReadStateConverterConnectionsData(r); },
        [this](TWriter& w) { WriteStateConverterConnectionsData(w); }, DoStateConverterWrite());
}

bool TPNSinkPin::DoWrite() { return GetSourcePin() && !DoStateWrite() && !DoStateConverterWrite(); }

bool TPNSinkPin::DoStateConverterWrite() { return IsStateConnected() && GetConnectionSourcePin(); }

void TPNSinkPin::WriteConnectionsData(TWriter& writer) {
    TPNBasicPin* source = GetSourcePin();
    if (!source) return;
    TPNBasicPin* after = source->GetConnectedAfterForPin(*this);
    if (!after) {
        writeName(writer, nameOf(*source));
        return;
    }
    writer.WriteListBegin();
    writer.WriteListBegin();
    writeName(writer, nameOf(*source));
    writer.WriteIdent(after->GetFullIdentName(true));
    writer.WriteListEnd();
    writer.WriteListEnd();
}

void TPNSinkPin::ReadConnectionsData(TReader& reader) {
    PinName source;
    std::string after;
    if (reader.NextValue() != TValueType::vaList) {
        source = readName(reader);
    } else {
        reader.ReadListBegin();
        if (reader.NextValue() == TValueType::vaList) {
            reader.ReadListBegin();
            source = readName(reader);
            after = readPinIdent(reader);
            reader.ReadListEnd();
        } else {
            source.Ident = readPinIdent(reader);
            source.Display = reader.ReadString();
        }
        reader.ReadListEnd();
    }
    reader.Apply([this, source, after]() mutable {
        auto section = PNLinkSection();
        CheckVirtualList();
        TComponent* root = GetRoot();
        ApplyFormName(source.Ident);
        ApplyFormName(source.Display);
        TPNBasicPin* pin =
            TPNInternalPinList::GetByNameCreate(root, TPNPinType::ptSource, source.Ident, source.Display, source.Ident);
        TPNBasicPin* afterPin = nullptr;
        if (!after.empty()) {
            ApplyFormName(after);
            afterPin = TPNInternalPinList::GetByNameCreate(root, TPNPinType::ptSink, after, after, after);
        }
        // A placeholder that no link took goes again.
        const TPNPinHold source(pin), notifyAfter(afterPin);
        if (pin) ConnectAfter(pin, afterPin);
    });
}

void TPNSinkPin::WriteStateConverterConnectionsData(TWriter& writer) {
    const auto dispatcher = Dispatcher();
    TPNBasicPin* connection = GetConnectionSourcePin();
    TPNFormatConverter* converter = connection ? PNConverterOf(*connection) : nullptr;
    if (!dispatcher || !converter) return;
    writer.WriteListBegin();
    writeDispatcherName(writer, *dispatcher, *this);
    // The converter's input type, as the dispatcher's members offer it, and its output type towards this pin.
    TGUID from = converter->InputPin().GetDownStreamID();
    if (from.isNull()) from = converter->InputPin().GetPrimaryConnectionID();
    writer.WriteString(PNGetStreamGUIDFromID(from));
    writer.WriteString(PNGetStreamGUIDFromID(converter->OutputPin().GetPrimaryConnectionID()));
    writer.WriteListEnd();
}

void TPNSinkPin::ReadStateConverterConnectionsData(TReader& reader) {
    reader.ReadListBegin();
    std::string name = readDispatcherName(reader);
    const auto from = parseGuid(reader.ReadString());
    const auto to = parseGuid(reader.ReadString());
    reader.ReadListEnd();
    if (!from || !to) reader.Fail("stream type GUID expected");
    const TPNFormatConverterClass* converterClass = PNGetConverter(*from, *to);
    if (!converterClass)
        reader.Fail("no converter from " + PNGetStreamGUIDFromID(*from) + " to " + PNGetStreamGUIDFromID(*to));
    reader.Apply([this, name, converterClass] {
        auto section = PNLinkSection();
        CheckVirtualList();
        const auto converter = converterClass->Create();
        if (!converter) return;
        converter->OutputPin().ConnectAfter(this, nullptr);
        const auto dispatcher = TPNStateDispatcher::GetByNameCreate(*this, name, OwnerInDesigning());
        dispatcher->AddFormatConverter(converter);
        dispatcher->AddPin(converter->InputPin(), *this);
        // The source member feeding the converter stands as this pin's source, once it is there.
        for (const auto& m : dispatcher->Members())
            if (m.RealPin != this && dynamic_cast<TPNSourcePin*>(m.RealPin)) {
                SetStateSource(*m.RealPin);
                break;
            }
        PNNotifyConnected(*this, *dispatcher);
        PNNotifyChangePin(*this);
        UpdateStateValue();
    });
}

bool TPNSinkPin::WriteNoStateListEntry(TWriter& writer) {
    if (!DoWrite()) return false;
    WriteConnectionsData(writer);
    return true;
}

void TPNSinkPin::Assign(TPNSinkPin* source) { Connect(source ? source->GetSourcePin() : nullptr); }

// ---- Pin list

void TPNPinList::DefineProperties(TFiler& filer) {
    const std::vector<std::string> stored = StoredNames();
    bool named = false;
    bool linked = !FPinsOwner && !stored.empty();
    for (std::size_t i = 0; i < stored.size(); ++i) {
        named = named || !stored[i].empty();
        if (TPNBasicPin* pin = PublishedPin(i); FPinsOwner && pin) linked = linked || pin->DoFormWrite();
    }
    filer.DefineProperty(
        "Names",
        [this](TReader& r) {
            std::vector<std::string> names;
            r.ReadListBegin();
            while (!r.EndOfList()) names.push_back(r.ReadString());
            r.ReadListEnd();
            r.Apply([this, names] {
                for (std::size_t i = 0; i < names.size(); ++i) SetName(i, names[i]);
            });
        },
        [stored](TWriter& w) {
            w.WriteListBegin();
            for (const auto& name : stored) w.WriteString(name);
            w.WriteListEnd();
        },
        named);
    filer.DefineProperty(
        "Form", [this](TReader& r) { r.Apply([this, name = r.ReadIdent()] { FLoadFormName = name; }); },
        [this](TWriter& w) { w.WriteIdent(FOwner ? PNGetMainOwnerComponent(FOwner)->Name() : std::string()); },
        linked && FOwner);
    filer.DefineProperty(
        "Pins", [this](TReader& r) { ReadPins(r); }, [this](TWriter& w) { WritePins(w); }, linked);
}

void TPNPinList::WritePins(TWriter& writer) {
    writer.WriteListBegin();
    for (std::size_t i = 0, n = PublishedCount(); i < n; ++i) {
        TPNBasicPin* pin = PublishedPin(i);
        if (FPinsOwner) pin->WriteListEntry(writer);
        else writer.WriteIdent(pin->GetFullIdentName(true));
    }
    writer.WriteListEnd();
}

void TPNPinList::ReadPins(TReader& reader) {
    reader.ReadListBegin();
    if (FPinsOwner) {
        // Each entry goes to the pin of its index; its load name is the list's.
        for (std::size_t i = 0; !reader.EndOfList(); ++i) {
            TPNBasicPin* pin = PublishedPin(i);
            if (!pin) reader.Fail("more entries than the list has pins");
            reader.Apply([this, pin] { pin->SetLoadFormName(FLoadFormName); });
            pin->ReadListEntry(reader);
        }
    } else {
        std::vector<std::string> names;
        while (!reader.EndOfList()) names.push_back(readPinIdent(reader));
        reader.Apply([this, names]() mutable {
            auto section = PNLinkSection();
            TComponent* root = PNGetMainOwnerComponent(FOwner);
            const std::vector<TPNBasicPin*> held = [&] {
                std::vector<TPNBasicPin*> pins;
                for (std::size_t i = 0, n = PublishedCount(); i < n; ++i) pins.push_back(PublishedPin(i));
                return pins;
            }();
            for (auto& name : names) {
                PNApplyFormName(FLoadFormName, root, name);
                TPNBasicPin* pin = TPNInternalPinList::GetByNameCreate(root, TPNPinType::ptSink, name, name, name);
                const TPNPinHold listed(pin);  // a placeholder the list did not take goes again
                if (pin && std::find(held.begin(), held.end(), pin) == held.end()) Add(*pin);
            }
        });
    }
    reader.ReadListEnd();
}

// ---- Components

std::vector<TPNBasicPin*> PNPublishedPins(const TComponent& component) {
    std::vector<TPNBasicPin*> pins;
    for (const auto& p : component.PublishedProperties()) {
        if (p.Pin) pins.push_back(p.Pin);
        else if (p.List)
            for (std::size_t i = 0, n = p.List->PublishedCount(); i < n; ++i)
                if (TPNBasicPin* pin = p.List->PublishedPin(i)) pins.push_back(pin);
    }
    return pins;
}

std::string PNClassName(const TComponent& component) {
    const char* mangled = typeid(component).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    if (const auto colon = name.rfind("::"); colon != std::string::npos) name.erase(0, colon + 2);
    return name;
}

void PNDefineComponentProperties(TComponent& component, TFiler& filer) {
    filer.SetPrefix({});
    PNDefinePublishedProperties(filer, component.PropList());
    for (const auto& p : component.PublishedProperties()) {
        filer.SetPrefix(p.Name + ".");
        if (p.Pin) p.Pin->DefineProperties(filer);
        else if (auto* list = dynamic_cast<TPNPinList*>(const_cast<IPNPublishedPinList*>(p.List)))
            list->DefineProperties(filer);
    }
    filer.SetPrefix({});
    component.DefineProperties(filer);
}

platform::TStreamObject PNWriteRoot(TComponent& root) { return writeObject(root); }

void PNReadRoot(TComponent& root, const platform::TStreamObject& stream) {
    std::vector<TComponent*> components;
    collectComponents(root, components);
    LoadingScope loading(components);
    platform::TApplyQueue changes;
    readObject(root, stream, changes);
    // Placeholders for the pins of this root hand their links over first.
    {
        auto section = PNLinkSection();
        for (TComponent* c : components)
            for (TPNBasicPin* pin : PNPublishedPins(*c)) pin->CheckVirtualList();
    }
    changes.Run();
    loading.Loaded();
}

}  // namespace oculon::pins
