#pragma once
// Numbers of the messages the device threads post to the main form. An
// object carried by one belongs to the receiver.

#include <cstdint>

#include "platform/MainLoop.h"

namespace oculon::devices {

// A probed `serverObjekt`, or none when a server aged out.
inline constexpr std::uint32_t WM_UPDATEEVENT = platform::WM_USER + 2;  // 1026
// A `telefonObjekt`, or none when a telephone aged out.
inline constexpr std::uint32_t WM_TELUPDATEEVENT = platform::WM_USER + 5;  // 1029
// Relay link state in wParam: 1 not connected, 2 connected, 3 not used.
inline constexpr std::uint32_t WM_TCPUPDATEEVENT = platform::WM_USER + 7;  // 1031
// A `stateChangeObjekt`: a camera input changed.
inline constexpr std::uint32_t WM_STATECHANGEDEVENT = platform::WM_USER + 8;  // 1032

}  // namespace oculon::devices
