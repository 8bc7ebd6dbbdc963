#include "video/MjpegStream.h"

#include <algorithm>

#include "platform/HttpResponseParser.h"
#include "platform/TcpClient.h"

namespace oculon::video {

namespace {

bool isChunked(std::string_view transferEncoding) {
    // The last coding decides how the body is framed.
    if (const auto comma = transferEncoding.rfind(','); comma != std::string_view::npos)
        transferEncoding = transferEncoding.substr(comma + 1);
    return platform::equalsIgnoreCase(platform::trimView(transferEncoding), "chunked");
}

}  // namespace

bool safeInRequest(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0 ", 4)) == std::string_view::npos;
}

StreamHead readStreamHead(platform::BufferedReader& in, std::size_t maxLength, std::size_t maxLines) {
    StreamHead head;
    for (std::size_t lines = 0;; ++lines) {
        const std::string line = in.readLn(maxLength);
        if (line.empty()) return head;
        if (lines >= maxLines) throw platform::NetError("Too many header lines.");
        const std::string_view name = headerName(line);
        if (platform::equalsIgnoreCase(name, "Content-Type:")) {
            StreamContentType type = parseStreamContentType(line);
            if (!type.multipart) {
                head.notMultipart = true;
                return head;
            }
            head.boundary = std::move(type.boundary);
        } else if (platform::equalsIgnoreCase(name, "Transfer-Encoding:")) {
            head.chunked = isChunked(headerValue(line));
        }
    }
}

MjpegBody::MjpegBody(platform::BufferedReader& in, const StreamHead& head)
    : source_(platform::openBody(
          in, {head.chunked ? platform::BodyFraming::chunked : platform::BodyFraming::untilClose, 0}, {})),
      parser_(head.boundary) {}

MjpegBody::~MjpegBody() = default;

MultipartParser::Event MjpegBody::next() {
    for (;;) {
        if (const MultipartParser::Event event = parser_.next()) return event;
        const std::span<char> space = parser_.prepare(parser_.readHint());
        const std::size_t got = source_->readSome(space.data(), space.size());
        if (got == 0) return {};
        parser_.commit(got);
    }
}

StreamConnection::StreamConnection(std::shared_ptr<platform::Interrupter> interrupter, platform::Millis readTimeout)
    : tcp_(std::make_unique<platform::TcpClient>(std::move(interrupter))), readTimeout_(readTimeout) {
    tcp_->setReadTimeout(readTimeout_);
}

StreamConnection::~StreamConnection() = default;

void StreamConnection::open(const std::string& host, std::uint16_t port, platform::Millis connectTimeout,
                            std::string_view request) {
    tcp_->connect(host, port, connectTimeout);
    tcp_->write(request);
}

std::size_t StreamConnection::Source::readSome(char* destination, std::size_t capacity) {
    StreamConnection& c = owner_;
    if (c.deadline_ != Clock::time_point::max()) {
        const auto left = std::chrono::ceil<platform::Millis>(c.deadline_ - Clock::now());
        if (left <= platform::Millis(0)) throw platform::TimeoutError("No complete picture in time.");
        c.tcp_->setReadTimeout(c.readTimeout_ == platform::kInfinite ? left : std::min(c.readTimeout_, left));
    }
    try {
        return c.tcp_->readSome(destination, capacity);
    } catch (const platform::TimeoutError&) {
        if (Clock::now() >= c.deadline_) throw platform::TimeoutError("No complete picture in time.");
        throw;
    }
}

}  // namespace oculon::video
