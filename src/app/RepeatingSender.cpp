#include "app/RepeatingSender.h"

#include "platform/Log.h"
#include "platform/Net.h"

namespace oculon::app {

std::string normalisedHost(const std::string& host) {
    if (auto address = platform::parseIpv4(host)) return platform::formatIpv4(*address);
    return host;
}

RepeatingSender::RepeatingSender(Options options) : options_(std::move(options)) {
    timer_.setInterval(options_.interval);
    timer_.setOnTimer([this] { tick(); });
}

std::chrono::steady_clock::time_point RepeatingSender::now() const {
    return options_.clock ? options_.clock() : std::chrono::steady_clock::now();
}

void RepeatingSender::send(std::string frame, const std::string& host) {
    timer_.setEnabled(false);
    frame_ = std::move(frame);
    host_ = normalisedHost(host);
    sends_ = 0;
    pending_ = true;
    // Devices are stored by their addresses; a name would have to be looked
    // up, which the main thread must not wait for.
    if (!host_.empty() && !platform::parseIpv4(host_))
        log::warning(log::Category::app, "command to \"%s\" not sent: not an IPv4 address", host_.c_str());
    transmit();
    if (sends_ < options_.maxSends) {
        timer_.setEnabled(true);
    } else {
        pending_ = false;
    }
}

void RepeatingSender::transmit() {
    ++sends_;
    lastSent_ = now();
    try {
        // A copy that finds the send buffer full is lost like one lost on
        // the way: the next tick sends it again.
        socket_.sendNow(host_, options_.port, frame_);
    } catch (const platform::NetError&) {
        // Unreachable or no address: the device simply never answers.
    }
}

void RepeatingSender::tick() {
    if (!pending_ || sends_ >= options_.maxSends) {
        timer_.setEnabled(false);
        pending_ = false;
        return;
    }
    transmit();
    if (sends_ >= options_.maxSends) {
        // The last copy went out; a late answer still counts as ours.
        timer_.setEnabled(false);
        pending_ = false;
    }
}

bool RepeatingSender::acknowledge(std::string_view data, const std::string& host, bool anyHost) {
    if (!pending_ || data != frame_) return false;
    if (!anyHost && normalisedHost(host) != host_) return false;
    timer_.setEnabled(false);
    pending_ = false;
    return true;
}

bool RepeatingSender::isOwnEcho(std::string_view data, const std::string& host) const {
    if (frame_.empty() || data != frame_ || normalisedHost(host) != host_) return false;
    return pending_ || now() - lastSent_ <= options_.lateEchoWindow;
}

}  // namespace oculon::app
