#pragma once
// Event of a camera input change (message 1032), from the state telegrams of
// port 5000 and from the input monitors; the receiver owns it.

#include <string>

#include "platform/MainLoop.h"

namespace oculon::devices {

class stateChangeObjekt : public platform::MessagePayload {
public:
    // Copies both flags, address and port; not the name.
    void Assign(const stateChangeObjekt& source) {
        FStatus1 = source.FStatus1;
        FStatus2 = source.FStatus2;
        FIpAdresse = source.FIpAdresse;
        FPort = source.FPort;
    }

    bool FStatus1 = false;
    bool FStatus2 = false;
    std::string FIpAdresse;
    std::string FPort;
    std::string FName;

    bool status1() const { return FStatus1; }
    bool status2() const { return FStatus2; }
    const std::string& adresse() const { return FIpAdresse; }
    const std::string& port() const { return FPort; }
    const std::string& name() const { return FName; }
};

}  // namespace oculon::devices

// Message 1032 carries it.
template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_STATECHANGEDEVENT> {
    using type = oculon::devices::stateChangeObjekt;
};
