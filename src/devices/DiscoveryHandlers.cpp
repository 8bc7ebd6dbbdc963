#include "devices/DiscoveryHandlers.h"

#include "config/CameraTypes.h"
#include "devices/RebootLockGuard.h"
#include "devices/RelayFraming.h"
#include "devices/TelefonListe.h"
#include "devices/TelefonTelegram.h"
#include "devices/TickCount.h"
#include "devices/stateChangeObjekt.h"
#include "devices/telefonKonfig.h"

namespace oculon::devices {

namespace {

constexpr std::string_view kNoSender = "0.0.0.0";

}  // namespace

DiscoveryHandlers::DiscoveryHandlers(Dependencies deps)
    : deps_(std::move(deps)), rateLimit_(deps_.clock ? deps_.clock : RateLimiter::Clock(&tickCount)) {}

void DiscoveryHandlers::UDPEmpfaengerRead(std::string_view data, const std::string& sender) {
    const auto record = paket::fromBytes(data);
    if (!record || record->vollst() != 0) return;
    if (!rateLimit_.admit(sender, kSearchAnswerInterval)) return;
    const RebootLockGuard guard(deps_.rebootLock, "EmpfRead");
    if (!guard.entered()) return;
    if (config::cameraTraits(getType(*record)).probedOnSearchAnswer)
        deps_.startProbe(ProbeRequest::fromRecord(*record, sender));
}

void DiscoveryHandlers::UDPEmpfaengerReadKorvat(std::string_view data, const std::string& sender) {
    if (const auto record = parseIpReply(data)) deps_.startProbe(ProbeRequest::fromRecord(*record, sender));
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
    if (!rateLimit_.admit(sender, kNamedAnswerInterval)) return;
    const paket record = namedRecord(prefix, data);
    deps_.startProbe(ProbeRequest::fromName(record.name(), record, sender));
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
