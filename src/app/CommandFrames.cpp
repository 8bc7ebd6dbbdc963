#include "app/CommandFrames.h"

#include "config/Helpers.h"
#include "devices/TelefonTelegram.h"
#include "devices/TelegramText.h"

namespace oculon::app {

std::string commandFrame(std::string_view letterAndData) {
    std::string frame(1, kCommandStart);
    frame += letterAndData;
    frame += static_cast<char>(config::checksum(frame));
    return frame;
}

bool commandChecksumValid(std::string_view frame) {
    if (frame.empty()) return false;
    return static_cast<std::uint8_t>(frame.back()) == config::checksum(frame.substr(0, frame.size() - 1));
}

ReceivedCommand classifyCommand(std::string_view frame) {
    ReceivedCommand result;
    if (frame.size() >= 3 && frame[0] == kCommandStart && frame[1] == 'D') {
        result.kind = ReceivedCommand::inputState;
        result.inputOn = frame[2] == '2';
    } else if (!frame.empty() && frame[0] == kGatewayCallStart) {
        result.kind = ReceivedCommand::gatewayCall;
        // The id runs from the second byte to the first 0x05; the check byte
        // never belongs to it, even when no 0x05 comes before it.
        const std::string_view body = frame.substr(1, frame.size() >= 2 ? frame.size() - 2 : 0);
        result.callId = std::string(body.substr(0, body.find(kGatewayCallEnd)));
    }
    return result;
}

std::string partnerFrame(const std::string& ownAddress, int sequence, std::string_view payload) {
    std::string frame = "LSREM";
    frame += devices::ipv4Hex(ownAddress).value_or("00000000");
    frame += devices::sequenceField(sequence);
    frame += payload;
    devices::appendAdditiveChecksum(frame);
    return frame;
}

}  // namespace oculon::app
