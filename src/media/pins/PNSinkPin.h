#pragma once
// Sink pins: the input end of a link. A sink has at most one source at a
// time, remembers the stream type its link was negotiated to and its own
// handler for that type (which sends operations back up to the source), and
// takes part in the negotiation from the receiving side. Typed input pins
// derive from TPNSinkPin and hook in only through the handlers they register
// with AddType and through DispatchData.
//
// The sink's partner for types and upward operations is the pin at the
// other end of its link: the source, or the output pin of a converter the
// source put between them. The source as linked (GetSourcePin) is what
// names, loop checks and chain re-negotiation see.

#include <string>
#include <vector>

#include "media/pins/PNPins.h"

namespace oculon::pins {

// The receiving side of the negotiation, and the outputs whose data or type
// follow this input (declared by its component).
class TPNBasicSinkPin : public TPNStreamPin {
public:
    using TPNStreamPin::TPNStreamPin;

    TPNPinType GetPinType() const override { return TPNPinType::ptSink; }
    // An input that takes whatever comes from upstream: its type is left to
    // the source side alone.
    void SetIgnoreUpstream(bool ignore);
    bool IgnoreUpstream();
    // IgnoreUpstream, or no stream types of its own.
    bool HasToIgnoreUpstream();

    // Design-time pins link only to design-time pins (unless a converter
    // owns one of them); then a source that has a type for this pin and
    // does not depend on it.
    bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) override;
    // Null, or a source that finds a type for this pin, which this pin
    // accepts unless it ignores upstream.
    bool IsCompatible(TPNBasicPin& pin, bool allowConverter) override;
    virtual bool CheckUpStreamInterfaces(TPNBasicPin& pin, bool useConverters);
    // The type this input takes from `source`: `preferred` when the source
    // can give it upwards and this pin accepts it, else the accepted entry
    // with the highest index of what the source offers; null when none.
    TGUID UpStreamFindConnectionID(TPNSourcePin* source, const TGUID& preferred);

    void DownStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    TPNQuery DownStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    TPNQuery UpStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;

    void IntAddFunctionDependance(TPNSourcePin& source) override;
    void IntRemoveFunctionDependance(TPNSourcePin& source) override;
    void IntAddDataTypeDependance(TPNSourcePin& source) override;
    void IntRemoveDataTypeDependance(TPNSourcePin& source) override;
    std::vector<TPNSourcePin*> FunctionDependants();
    std::vector<TPNSourcePin*> DataTypeDependants();

protected:
    std::vector<TPNSourcePin*> FFunctionDependants;
    std::vector<TPNSourcePin*> FDataTypeDependants;
    bool FIgnoreUpstream = false;
};

class TPNSinkPin : public TPNBasicSinkPin {
public:
    using TPNBasicSinkPin::TPNBasicSinkPin;
    ~TPNSinkPin() override;

    // Sends `op` up the link through this pin's handler for the link's type,
    // with marker 2, to the source as linked (past a converter that serves
    // the link); the handler runs without this pin's lock and with the
    // owner's lock given up. False, without a call, when unlinked, without a
    // handler, while the owner or this pin is stopping, or when the pin is
    // being destroyed.
    bool Notify(const IPNNotifyOperation& op) override;

    // The source as linked (a placeholder while its form is not loaded).
    TPNBasicPin* GetSourcePin();
    // The pin at the other end of the link: the source or a converter's output.
    TPNBasicPin* GetConnectionSourcePin();
    // The SourcePin property's setter: links to `pin`, null unlinks.
    void SetSourcePin(TPNBasicPin* pin) { Connect(pin); }
    // The converter between the source and this pin; null for a direct link.
    std::shared_ptr<IPNFormatConverter> FormatConverter();
    std::size_t GetConnectedPinCount() override { return GetSourcePin() ? 1 : 0; }
    TPNBasicPin* GetConnectedPin(std::size_t) override { return GetSourcePin(); }

    // Links to `pin` (null unlinks), dropping the current link first.
    // Already linked the same way: true, nothing changes. A link that finds
    // no common type is still made, with a null type and no handler.
    bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) override;
    bool CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) override;
    // Unlinks the source (waiting for operations sent through this pin)
    // and leaves the state link.
    void Disconnect() override;
    void DisconnectFrom(TPNBasicPin& pin) override;
    // Called by the source side. With `keepPlaceholder` (the source's form
    // goes away at design time) a placeholder of the source's name takes
    // its place. A link made after `link` stays.
    void IntDisconnect(TPNBasicPin& pin, bool keepPlaceholder, std::uint64_t link) override;
    std::uint64_t LinkNumber() override;
    void IntStateDisconnect() override;
    void SetConnectionSourcePin(TPNBasicPin* converterOutput) override;
    // A state link through a converter: `statePin` stands as this pin's
    // source, the converter's output stays its connection.
    void SetStateSource(TPNBasicPin& statePin);

    TGUID GetConnectionID(const TPNBasicPin&) override;  // the link's type, whatever the pin
    TGUID GetPrimaryConnectionID() override;
    // The type the source side chose for this link (null when unlinked).
    TGUID GetDownStreamID();
    std::string GetUpStreamLinkName();
    std::string GetDownStreamLinkName();

    bool IsConnected() override;
    bool IsConnectedTo(const TPNBasicPin& pin) override;
    bool IsConnectedByConverterTo(const TPNBasicPin& pin) override;
    TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin) override;
    bool DependsOn(const TPNBasicPin& pin) override;
    bool DirectDependsOn(const TPNBasicPin& pin) override;
    void PinDeletedNotify(TPNBasicPin& pin) override;

    // Re-chooses the types of the whole chain this pin is part of.
    void ChainReconnect(const TGUID& a, const TGUID& b) { BackChainReconnect(a, b); }
    void BackChainReconnect(const TGUID& a, const TGUID& b) override;
    void ForthChainReconnect(const TGUID& a, const TGUID& b) override;
    // Whether ForthChainReconnect would change nothing: linked to `from`
    // directly, this pin chose its type towards it proposing `preferred`
    // with the stream types and interfaces as they stand, and no output
    // follows its type.
    bool ForthChainSettled(const TPNSourcePin& from, const TGUID& preferred);
    void BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) override;

    void DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    TPNQuery DownStreamQueryPossybleInterface(const TGUID& id) override;
    TPNQuery UpStreamQueryPossybleInterface(const TGUID& id) override;
    void DownStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    TPNQuery DownStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    TPNQuery UpStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    // The pin's own interfaces, else what the outputs whose type follows it can carry on.
    TPNQuery RequestInterface(const TGUID& iid) const override;

    // A sink takes its state from a source: it may join when some member
    // could feed it, or when the dispatcher has no member yet.
    bool CanConnectToStateInt(const TPNStateDispatcher* dispatcher) override;
    // Joins `dispatcher` by asking each member to take this pin.
    bool ConnectToStateAfter(const std::shared_ptr<TPNStateDispatcher>& dispatcher, TPNBasicPin* after) override;
    // Asks the dispatcher to bring this pin the current state.
    void UpdateStateValue() override;

    // The source's identity name, with root when its root differs from this pin's.
    std::string GetLinkStr();
    std::string GetEditorString() override;
    // "" or "(Disconnected)" unlinks; a pin name links (to a placeholder when
    // no such pin exists yet); a design-time dispatcher name joins it. True
    // when a link was made, else whether the pin was linked before.
    bool SetEditorString(const std::string& text) override;
    bool IsLinkedTo(std::string_view name) override;
    // "nil" unlinks; otherwise links to the source pin of that name under
    // this pin's root, or to a placeholder of that name.
    bool TryLinkTo(std::string name, std::string displayName);

    // ---- Persistence (PNPersistence.cpp). "SourcePin": the source's
    // identity name, or (identity 'display'); with a notify-after pin the
    // list (that (after identity)). "StateConverter": a state link through a
    // converter, as the dispatcher's name (or the name and the members of
    // other roots), then the converter's two stream types as GUID text.
    void DefineProperties(platform::TFiler& filer) override;
    virtual void WriteConnectionsData(platform::TWriter& writer);
    void ReadConnectionsData(platform::TReader& reader) override;
    virtual void WriteStateConverterConnectionsData(platform::TWriter& writer);
    virtual void ReadStateConverterConnectionsData(platform::TReader& reader);
    // A source is linked, and neither state entry is written.
    virtual bool DoWrite();
    // Joined to a dispatcher through a converter.
    bool DoStateConverterWrite() override;
    bool DoFormWrite() override { return TPNBasicSinkPin::DoFormWrite() || DoWrite(); }
    bool WriteNoStateListEntry(platform::TWriter& writer) override;
    void ReadNoStateListEntry(platform::TReader& reader) override { ReadConnectionsData(reader); }
    // Links to the source of another sink pin; null unlinks.
    void Assign(TPNSinkPin* source);

protected:
    friend class TPNSourcePin;
    friend class TPNUnloadedPin;
    // A converter's input: fed by `source` with `id`, without a link entry
    // of its own (the source's entry names the sink behind the converter).
    void feedFrom(TPNSourcePin& source, const TGUID& id);
    // A placeholder's link: the placeholder stands as the source, no type, no handler.
    void takePlaceholder(TPNBasicPin& placeholder);
    // Clears the three source references, the type and the handler; the
    // caller holds the write section.
    void clearSource();
    // Links the three source references to `source`; the caller holds the write section.
    void setSource(TPNBasicPin& source);
    // Drops the current link (the link lock is held); returns the old source.
    TPNBasicPin* unlinkSource(bool keepPlaceholder);
    // Chooses this pin's type towards its connection source and stores it
    // (with the handler) while the link is still the same.
    TGUID negotiate(TPNSourcePin& connection, const TGUID& preferred);
    TPNSourcePin* connectionSource();

    TPNBasicPin* FConnectionSourcePin = nullptr;
    TPNBasicPin* FRealSourcePin = nullptr;
    TPNBasicPin* FIntRealSourcePin = nullptr;
    // Counts every change of the source references: an unlink that gave up
    // the link lock on its way tells by it whether the link it set out to
    // drop is still the one in place.
    std::uint64_t FLinkGeneration = 0;
    TPNSubmitFunction FSubmitFunction;
    TGUID FConnectedID;
    bool FInConnect = false;
    // The last choice of this pin's type: towards which source, for which
    // link, proposing which type, in which negotiation epoch.
    struct Choice {
        const TPNBasicPin* With = nullptr;
        std::uint64_t Link = 0;
        TGUID Preferred;
        std::uint64_t Epoch = 0;
    } FChoice;
};

}  // namespace oculon::pins
