#pragma once
// Every message number of the program, in one place. The numbers keep their
// WM_USER + n values (1024 + n).
//
// A message that carries an object is bound to that object's class by a
// specialisation of MessagePayloadOf, written once next to the class in the
// module that owns it (config, devices, app), so this lowest layer names no
// class of a higher one:
//   template <> struct platform::MessagePayloadOf<WM_UPDATEEVENT> { using type = devices::serverObjekt; };
// MainLoop::post<Id>() accepts only that class and Message::take<Id>() hands
// it back, so a mismatch does not compile. A message without a binding
// carries no object; what it says is in its number and wParam.

#include <cstdint>

namespace oculon::platform {

inline constexpr std::uint32_t WM_CLOSE = 16;  // a video window ends its call; wParam: the call's number or 0
inline constexpr std::uint32_t WM_USER = 1024;

// From the device threads to the main form, which passes 1026, 1028, 1029
// and 1031 on to the settings dialog.
inline constexpr std::uint32_t WM_UPDATEEVENT = WM_USER + 2;     // 1026: a probed serverObjekt; none: a server aged out
inline constexpr std::uint32_t WM_MOXAEVENT = WM_USER + 4;       // 1028: the gateway list changed
inline constexpr std::uint32_t WM_TELUPDATEEVENT = WM_USER + 5;  // 1029: a telefonObjekt; none: a telephone aged out
inline constexpr std::uint32_t WM_ENDPROGRAM = WM_USER + 6;      // 1030: the settings dialog ends the program
// 1031: the relay link's state in wParam: 1 not connected, 2 connected, 3 not used.
inline constexpr std::uint32_t WM_TCPUPDATEEVENT = WM_USER + 7;
inline constexpr std::uint32_t WM_STATECHANGEDEVENT = WM_USER + 8;  // 1032: a stateChangeObjekt (camera input)

// Between the settings dialog and the surveillance wall.
inline constexpr std::uint32_t WMSURVEILLANCECFGCHANGE = WM_USER + 10;       // 1034: layout or cameras changed
inline constexpr std::uint32_t WMSURVEILLANCESINGLE = WM_USER + 11;          // 1035: a TSurvChange for one tile
inline constexpr std::uint32_t WMSURVEILLANCESINGLEACCEPTED = WM_USER + 12;  // 1036: the wall's cameras changed

// Video windows.
inline constexpr std::uint32_t WMTUERCLOSE = WM_USER + 13;  // 1037: the wall's door frame ends its call (as WM_CLOSE)
inline constexpr std::uint32_t WMSECVIDEOCLOSE = WM_USER + 15;  // 1039: a further popup turned black; wParam: the popup

// The command channel's listener thread hands a datagram to the main thread.
inline constexpr std::uint32_t WM_COMMANDDATAGRAM = WM_USER + 200;  // 1224

// A video server's configuration run (a worker) tells the settings dialog
// its progress, asks it a question or reports its end.
inline constexpr std::uint32_t WM_KONFIGRUN = WM_USER + 201;  // 1225

// A listener tells the main form that another program holds its port, or
// that the port is taken after all or no longer wanted; wParam:
// listenerPortParam().
inline constexpr std::uint32_t WM_LISTENERPORT = WM_USER + 202;  // 1226
constexpr std::uintptr_t listenerPortParam(std::uint16_t port, bool held) {
    return port | (static_cast<std::uintptr_t>(held) << 16);
}
constexpr std::uint16_t listenerPortOf(std::uintptr_t wParam) { return static_cast<std::uint16_t>(wParam & 0xFFFF); }
constexpr bool listenerPortHeld(std::uintptr_t wParam) { return (wParam >> 16) & 1; }

// A folder worker's job reports to the main thread (platform/FolderWorker.h).
inline constexpr std::uint32_t WM_FOLDERREPORT = WM_USER + 203;  // 1227

// The device search tells the main form that it reaches no network (no
// local address, or every send fails; wParam 1) or that it does again (0).
inline constexpr std::uint32_t WM_SEARCHREACH = WM_USER + 230;  // 1254

// The media library's hand-off of a callback to the main thread; wParam: the
// notifier's number (media/pins/SGThreadQueues.h).
inline constexpr std::uint32_t WM_SGMAINTHREADNOTIFY = 0x8600;  // 34304

// Specialised once per message that carries an object (see above).
template <std::uint32_t Id>
struct MessagePayloadOf;

template <std::uint32_t Id>
using PayloadOf = typename MessagePayloadOf<Id>::type;

}  // namespace oculon::platform
