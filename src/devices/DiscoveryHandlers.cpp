#include "devices/DiscoveryHandlers.h"

#include "config/CameraTypes.h"
#include "devices/RebootLockGuard.h"
#include "devices/RelayFraming.h"
#include "devices/TelefonListe.h"
#include "devices/TelefonTelegram.h"
#include "devices/TickCount.h"
#include "devices/serverObjekt.h"
#include "devices/stateChangeObjekt.h"
#include "devices/telefonKonfig.h"

namespace oculon::devices {

namespace {

constexpr std::string_view kNoSender = "0.0.0.0";

}  // namespace

void SearchRounds::heard(const ProbeRequest& request) {
    if (request.manual) return;
    heard(listKeyOf(request.record, request.address), request.name.empty() ? request.record.name() : request.name);
}

void SearchRounds::heard(const std::string& key, const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto it = heard_.find(key);
    if (it != heard_.end()) {
        it->second = {name, round_};
    } else if (heard_.size() < kMaxHeard) {
        heard_.emplace(key, Answer{name, round_});
    }
}

void SearchRounds::beginRound() {
    std::lock_guard lock(mutex_);
    ++round_;
    std::erase_if(heard_, [this](const auto& entry) { return entry.second.round + 1 < round_; });
}

std::uint64_t SearchRounds::rounds() const {
    std::lock_guard lock(mutex_);
    return round_;
}

std::vector<ListedDevice> SearchRounds::answering() const {
    std::lock_guard lock(mutex_);
    std::vector<ListedDevice> listed;
    listed.reserve(heard_.size());
    for (const auto& [key, answer] : heard_) listed.push_back({key, answer.name});
    return listed;
}

bool SearchRounds::answers(const std::string& key, const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto it = heard_.find(key);
    return it != heard_.end() && config::sameStationName(it->second.name, name);
}

DiscoveryHandlers::DiscoveryHandlers(Dependencies deps)
    : deps_(std::move(deps)), rateLimit_(deps_.clock ? deps_.clock : RateLimiter::Clock(&tickCount)) {}

void DiscoveryHandlers::UDPEmpfaengerRead(std::string_view data, const std::string& sender) {
    const auto record = paket::fromBytes(data);
    if (!record || record->vollst() != 0) return;
    const bool probed = config::cameraTraits(getType(*record)).probedOnSearchAnswer;
    ProbeRequest request = ProbeRequest::fromRecord(*record, sender);
    // Every answer counts for the round, the ones the limit lets through
    // to a probe or not.
    if (probed) rounds_.heard(request);
    if (!rateLimit_.admit(sender, kSearchAnswerInterval)) return;
    const RebootLockGuard guard(deps_.rebootLock, "EmpfRead");
    if (!guard.entered()) return;
    if (probed) deps_.startProbe(std::move(request));
}

void DiscoveryHandlers::UDPEmpfaengerReadKorvat(std::string_view data, const std::string& sender) {
    const auto record = parseIpReply(data);
    if (!record) return;
    ProbeRequest request = ProbeRequest::fromRecord(*record, sender);
    rounds_.heard(request);
    deps_.startProbe(std::move(request));
}

void DiscoveryHandlers::UDPEmpfaengerRead2(std::string_view data, const std::string& sender) {
    if (sender == kNoSender) return;
    const auto telegram = parseStateTelegram(data);
    if (!telegram || !sequences_.checkSequence(sender, telegram->sequence) || !telegram->isInputState()) return;
    auto event = std::make_unique<stateChangeObjekt>();
    event->FIpAdresse = sender;
    event->FPort = "80";
    event->FStatus1 = telegram->input1Active;
    event->FStatus2 = telegram->input2Active;
    platform::MainLoop::instance().post<platform::WM_STATECHANGEDEVENT>(deps_.winHandle, std::move(event));
}

void DiscoveryHandlers::UDPEmpfaengerReadTel(std::string_view data, const std::string& sender) {
    // Bad telegrams are dropped at once: a pause per datagram would let a
    // junk flood fill the socket's queue, and the kernel would then drop the
    // real calls among it.
    if (sender == kNoSender) return;
    const auto telegram = parseTelefonTelegram(data);
    if (!telegram || !sequences_.checkSequence(sender, telegram->sequence)) return;

    if (auto event = makeTelefonEvent(*telegram, sender)) {
        auto copy = deps_.telefone->update(std::move(event));
        platform::MainLoop::instance().post<platform::WM_TELUPDATEEVENT>(deps_.winHandle, std::move(copy));
    }
    if (telegram->code == kCodeAck || telegram->code == kCodeConfigReply) telefonKonfig::handToCurrent(*telegram);
}

void DiscoveryHandlers::readRelayedName(std::string_view prefix, std::string_view data, const std::string& sender) {
    // The name ends at its zero byte; the relay appends one.
    data = data.substr(0, 256);
    const auto zero = data.find('\0');
    if (zero != std::string_view::npos) data = data.substr(0, zero);
    const paket record = namedRecord(prefix, data);
    ProbeRequest request = ProbeRequest::fromName(record.name(), record, sender);
    rounds_.heard(request);
    if (!rateLimit_.admit(sender, kNamedAnswerInterval)) return;
    deps_.startProbe(std::move(request));
}

void DiscoveryHandlers::ReadMobotix(std::string_view data, const std::string& sender) {
    readRelayedName("MOBOT", data, sender);
}

void DiscoveryHandlers::ReadAxis(std::string_view data, const std::string& sender) {
    readRelayedName("AXIS_", data, sender);
}

void DiscoveryHandlers::ReadKorvat(std::string_view data, const std::string& sender) {
    readRelayedName("KORVA", data, sender);
}

void DiscoveryHandlers::ReadHik(std::string_view data, const std::string& sender) {
    readRelayedName("HIKVI", data, sender);
}

void DiscoveryHandlers::dispatchRelayed(const RelayTelegram& t) {
    switch (t.kind) {
        case RelayKind::CAM: return UDPEmpfaengerRead(t.payload, t.address);
        case RelayKind::IDP: return UDPEmpfaengerReadTel(t.payload, t.address);
        case RelayKind::STA: return UDPEmpfaengerRead2(t.payload, t.address);
        case RelayKind::T46: return UDPEmpfaengerReadKorvat(t.payload, t.address);
        case RelayKind::MOB: return ReadMobotix(t.payload, t.address);
        case RelayKind::AXI: return ReadAxis(t.payload, t.address);
        case RelayKind::KOR: return ReadKorvat(t.payload, t.address);
        case RelayKind::HIK: return ReadHik(t.payload, t.address);
    }
}

}  // namespace oculon::devices
