#pragma once
// Opening the door from a call view, by device type: the UDP command to a
// video server's gateway, the code payload for a door telephone, or the
// relay output of an IP camera (an HTTP request in a thread of its own).
// The popup and the wall's door frame share it; the effects (senders,
// prompts, snapshot) are handed in, so the flow runs without a window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/TcpClient.h"
#include "platform/Thread.h"
#include "video/VideoCall.h"

namespace oculon::video {

// The command frame that opens a video server's relay: 0x1F "T" and its XOR
// check byte "K".
std::string tuerKommando();

// How a door code is filled up with "F" before it goes to a telephone.
enum class CodePadding {
    fourThenEight,  // the popup: to 4 characters, a code of 5 to 7 to 8
    atLeastFour,    // the door frame: to 4 characters, a longer code as it is
};
std::string padDoorCode(std::string code, CodePadding padding);
// The telephone payload: "1", the duration as at least two digits, the code.
std::string telephonePayload(std::int32_t durationSeconds, const std::string& paddedCode);

// An authenticated GET to a camera, sent through a TLichtThread.
struct LightRequest {
    std::string host;
    std::string port;  // decimal text
    std::string user;
    std::string password;
    std::string path;
    int durationMs = 0;  // the read time-out is this plus 5000 ms
    friend bool operator==(const LightRequest&, const LightRequest&) = default;
};
LightRequest lightRequest(const DoorTarget& target);
// The relay request of Axis-type cameras (types 4 and 6).
LightRequest relayRequest(const DoorTarget& target);

// The relay output of other cameras: a form POST to "/remote.cgi".
struct RelayPost {
    std::string host;
    std::int32_t port = 0;
    std::string user;
    std::string password;
    std::int32_t durationSeconds = 0;
    friend bool operator==(const RelayPost&, const RelayPost&) = default;
};
// The request bytes; its Content-Length is that of its body.
std::string relayPostRequest(const RelayPost& post);

// Sends a RelayPost in a self-freeing thread and drops the answer: a
// connection that cannot be opened within 10 s sends nothing.
class TRelayPostThread : public platform::Thread {
public:
    static constexpr int kConnectTimeoutMs = 10000;
    explicit TRelayPostThread(RelayPost post);
    ~TRelayPostThread() override;
    static void start(RelayPost post);

protected:
    void Execute() override;
    void interrupt() override;

private:
    RelayPost post_;
    platform::TcpClient client_;
};

// Settings and helpers the door flow reads.
struct DoorOptions {
    bool codeTuerOffen = false;
    bool protTuerOffen = false;
    bool kommentarTuerOffen = false;
    CodePadding padding = CodePadding::fourThenEight;
    // The file of the door-opening snapshot, without extension.
    std::function<std::string()> snapshotBaseName;
    std::function<std::string()> userName;
};

// The effects of the door flow; each may be left empty.
struct DoorEffects {
    std::function<void(const std::string& frame, const std::string& host)> sendFunction;
    std::function<void(const std::string& payload, const std::string& host)> sendFunctionLindavor;
    // Modal prompts: the typed text on OK, nothing on any other result.
    std::function<std::optional<std::string>()> askCode;
    std::function<std::optional<std::string>()> askComment;
    std::function<void(const std::string& file, const std::string& comment)> saveImage;
    std::function<void(const LightRequest&)> startLight;  // TLichtThread::start
    std::function<void(const RelayPost&)> sendRelay;      // TRelayPostThread::start
    std::function<void()> close;                          // the call view ends
};

enum class DoorResult {
    udpCommand,     // the command frame went to the gateway
    telephone,      // the code payload went to the telephone
    cameraRelay,    // an Axis-type relay request was started
    relayPost,      // the relay POST was started
    cancelled,      // a prompt was cancelled: nothing was sent
    nothingToSend,  // no sender or no target
};

// The door button of a call view.
DoorResult tuerOeffnen(const DoorTarget& target, const DoorOptions& options, const DoorEffects& effects);

// The comment of a door-opening snapshot: the user and, when the user was
// asked, the typed comment.
std::string doorSnapshotComment(const std::string& user, const std::optional<std::string>& comment);

}  // namespace oculon::video
