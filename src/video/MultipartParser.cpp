#include "video/MultipartParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace oculon::video {

namespace {

// Reads from the socket go in blocks of this size unless a part needs more.
constexpr std::size_t kReadBlock = 64 * 1024;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "20480 " and "20480abc" read as 20480: whatever follows the digits is cut
// off. -1 when no number is left.
std::int64_t parseLength(std::string_view value) {
    value = trim(value);
    while (!value.empty() && !isDigit(value.back())) value.remove_suffix(1);
    if (value.empty() || !std::all_of(value.begin(), value.end(), isDigit)) return -1;
    // More digits than any limit allows: too large, whatever the value.
    if (value.size() > 18) return MultipartParser::kMaxContentLength + 1;
    std::int64_t n = 0;
    for (const char c : value) n = n * 10 + (c - '0');
    return n;
}

enum class Verdict { yes, no, undecided };

bool isTokenChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > ' ' && u < 0x7F && std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

// Whether what follows a boundary text inside a part without length makes it
// the part's end: the rest of its line blank (or the closing "--"), then the
// name and colon of the next part's first header line, or the empty line of a
// part without header. Picture data that happens to hold the boundary text
// almost never goes on like that.
Verdict confirmsBoundary(std::string_view after) {
    constexpr std::size_t lookahead = MultipartParser::kConfirmLookahead;
    const auto lf = after.find('\n');
    const std::string_view rest = after.substr(0, std::min(lf, after.size()));
    if (rest.find_first_not_of(" \t\r-") != std::string_view::npos || rest.size() > lookahead) return Verdict::no;
    if (lf == std::string_view::npos) return Verdict::undecided;
    const std::string_view mark = trim(rest);
    if (mark == "--") return Verdict::yes;
    if (!mark.empty()) return Verdict::no;

    const std::string_view next = after.substr(lf + 1);
    if (next.empty()) return Verdict::undecided;
    if (next[0] == '\n') return Verdict::yes;
    if (next[0] == '\r') return next.size() < 2 ? Verdict::undecided : next[1] == '\n' ? Verdict::yes : Verdict::no;
    for (std::size_t i = 0; i < next.size() && i <= lookahead; ++i) {
        if (next[i] == ':') return i > 0 ? Verdict::yes : Verdict::no;
        if (!isTokenChar(next[i])) return Verdict::no;
    }
    return next.size() > lookahead ? Verdict::no : Verdict::undecided;
}

}  // namespace

std::string_view headerName(std::string_view line) {
    const auto colon = line.find(": ");
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon + 1);
}

std::string_view headerValue(std::string_view line) {
    const auto colon = line.find(": ");
    return colon == std::string_view::npos ? std::string_view() : line.substr(colon + 2);
}

MultipartParser::MultipartParser(std::string boundary)
    : boundary_(std::move(boundary)), need_(boundary_.empty() ? Need::line : Need::preamble) {}

MultipartParser::~MultipartParser() = default;

std::span<char> MultipartParser::prepare(std::size_t minimum) {
    if (capacity_ - end_ < minimum) {
        const std::size_t used = end_ - begin_;
        if (capacity_ - used >= minimum && begin_ > 0) {
            std::memmove(data_.get(), data_.get() + begin_, used);
        } else {
            const std::size_t grown = std::max(capacity_ * 2, used + std::max(minimum, kReadBlock));
            auto fresh = std::make_unique_for_overwrite<char[]>(grown);
            if (used > 0) std::memcpy(fresh.get(), data_.get() + begin_, used);
            data_ = std::move(fresh);
            capacity_ = grown;
        }
        begin_ = 0;
        end_ = used;
    }
    return {data_.get() + end_, capacity_ - end_};
}

void MultipartParser::commit(std::size_t count) { end_ += std::min(count, capacity_ - end_); }

void MultipartParser::append(std::string_view bytes) {
    const auto space = prepare(bytes.size());
    if (!bytes.empty()) std::memcpy(space.data(), bytes.data(), bytes.size());
    commit(bytes.size());
}

std::string_view MultipartParser::pendingText(std::size_t maxLength) const { return buffered().substr(0, maxLength); }

std::size_t MultipartParser::readHint() const {
    if (need_ == Need::body) {
        const auto have = static_cast<std::int64_t>(pending());
        if (contentLength_ > have) return std::max<std::size_t>(static_cast<std::size_t>(contentLength_ - have), 1);
    }
    return kReadBlock;
}

void MultipartParser::consume(std::size_t count) {
    begin_ += count;
    scanned_ = 0;
    if (begin_ == end_) begin_ = end_ = 0;
}

void MultipartParser::resetPart() {
    contentType_.clear();
    contentLength_ = 0;
    skipBody_ = false;
}

MultipartParser::Event MultipartParser::next() {
    for (;;) {
        Event event;
        switch (need_) {
            case Need::preamble: return nextPreamble();
            case Need::line: event = nextLine(); break;
            case Need::body: return nextBody();
            case Need::bodyToBoundary: return nextBodyToBoundary();
        }
        // The empty line that opens a body is no step of its own: the body
        // completes it.
        if (event || need_ == Need::line) return event;
    }
}

std::size_t MultipartParser::findBoundary(std::size_t limit, bool confirmed) {
    const std::string_view view = buffered();
    for (std::size_t from = scanned_;;) {
        const auto found = view.find(boundary_, from);
        if (found == std::string_view::npos) {
            if (view.size() > limit + boundary_.size()) throw MultipartError("Max line length exceeded.");
            // A boundary cut by the end of the data is found again from here.
            if (view.size() >= boundary_.size()) scanned_ = view.size() - boundary_.size() + 1;
            return found;
        }
        if (found > limit) throw MultipartError("Max line length exceeded.");
        if (!confirmed) return found;
        switch (confirmsBoundary(view.substr(found + boundary_.size()))) {
            case Verdict::yes: return found;
            case Verdict::no: from = found + 1; break;
            case Verdict::undecided:
                // Looked at again when more has come.
                scanned_ = found;
                return std::string_view::npos;
        }
    }
}

MultipartParser::Event MultipartParser::nextPreamble() {
    const std::size_t found = findBoundary(kMaxLineLength);
    if (found == std::string_view::npos) return {};
    consume(found + boundary_.size());
    need_ = Need::line;
    lines_ = 0;
    return {Step::preamble, {}, {}};
}

MultipartParser::Event MultipartParser::nextLine() {
    const std::string_view view = buffered();
    const auto lf = view.find('\n', scanned_);
    if (lf == std::string_view::npos) {
        // One byte more for a CR before the LF.
        if (view.size() > kMaxLineLength + 1) throw MultipartError("Max line length exceeded.");
        scanned_ = view.size();
        return {};
    }
    if (lf > kMaxLineLength + 1) throw MultipartError("Max line length exceeded.");
    if (++lines_ > kMaxPartLines) throw MultipartError("Too many header lines.");
    line_.clear();
    for (const char c : view.substr(0, lf))
        if (c != '\r') line_ += c;
    consume(lf + 1);
    if (line_.empty()) {
        if (contentType_ == "image/jpeg") {
            need_ = contentLength_ > 0 ? Need::body : Need::bodyToBoundary;
            return {};
        }
        // A part of another type that says how long it is: its body is
        // skipped whole, so none of its bytes is taken for a header.
        if (!contentType_.empty() && contentLength_ > 0) {
            skipBody_ = true;
            need_ = Need::body;
            return {};
        }
    } else {
        headerLine();
    }
    return {Step::line, line_, {}};
}

void MultipartParser::headerLine() {
    const std::string_view name = headerName(line_);
    if (equalsIgnoreCase(name, "Content-Length:")) {
        const std::int64_t length = parseLength(headerValue(line_));
        if (length > kMaxContentLength) throw MultipartError("Content-Length too large.");
        if (length >= 0) contentLength_ = length;  // an unreadable value keeps the last one
    } else if (equalsIgnoreCase(name, "Content-Type:")) {
        const std::string_view value = headerValue(line_);
        contentType_ = std::string(value.substr(0, value.find(';')));
    } else if (!boundary_.empty() && std::string_view(line_).starts_with(boundary_)) {
        // A new part: nothing of the last part's header carries over.
        resetPart();
    }
}

MultipartParser::Event MultipartParser::nextBody() {
    const auto length = static_cast<std::size_t>(contentLength_);
    if (pending() < length) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data_.get() + begin_);
    const bool skipped = skipBody_;
    consume(length);
    resetPart();
    lines_ = 0;
    need_ = Need::line;
    if (skipped) return {Step::skipped, {}, {}};
    return {Step::picture, {}, {bytes, length}};
}

MultipartParser::Event MultipartParser::nextBodyToBoundary() {
    if (boundary_.empty()) throw MultipartError("Part without length in a stream without boundary.");
    const std::size_t found = findBoundary(kMaxUnlengthedPart, true);
    if (found == std::string_view::npos) return {};
    const std::string_view view = buffered();
    // The line break before the boundary belongs to the boundary.
    std::size_t length = found;
    if (length > 0 && view[length - 1] == '\n') --length;
    if (length > 0 && view[length - 1] == '\r') --length;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data_.get() + begin_);
    consume(found + boundary_.size());
    resetPart();
    lines_ = 0;
    need_ = Need::line;
    return {Step::picture, {}, {bytes, length}};
}

StreamStatus classifyStatusLine(std::string_view line) {
    if (line == "HTTP/1.0 200 OK" || line == "HTTP/1.1 200 OK") return StreamStatus::ok;
    if (!line.starts_with("HTTP/1.0 ") && !line.starts_with("HTTP/1.1 ")) return StreamStatus::other;
    // The reason phrase is free text that servers word differently; the code decides.
    const std::string_view rest = line.substr(9);
    const auto codeIs = [&](std::string_view code) {
        return rest.starts_with(code) && (rest.size() == 3 || rest[3] == ' ');
    };
    if (codeIs("401")) return StreamStatus::unauthorized;
    if (codeIs("509")) return StreamStatus::tooMany;
    return StreamStatus::other;
}

StreamContentType parseStreamContentType(std::string_view headerLine) {
    std::string value(headerValue(headerLine));
    std::erase(value, '"');
    StreamContentType result;
    const auto semicolon = value.find(';');
    if (semicolon == std::string::npos) return result;
    result.multipart = value.compare(0, semicolon, "multipart/x-mixed-replace") == 0;

    // The parameter named "boundary"; a camera that names it otherwise still
    // gets its first parameter taken, as it always has.
    const std::string_view parameters = std::string_view(value).substr(semicolon + 1);
    std::string_view chosen;
    bool named = false;
    for (std::size_t start = 0; start <= parameters.size() && !named;) {
        const auto end = std::min(parameters.find(';', start), parameters.size());
        const std::string_view parameter = parameters.substr(start, end - start);
        const auto eq = parameter.find('=');
        const std::string_view content = eq == std::string_view::npos ? parameter : parameter.substr(eq + 1);
        if (eq != std::string_view::npos && equalsIgnoreCase(trim(parameter.substr(0, eq)), "boundary")) {
            chosen = content;
            named = true;
        } else if (start == 0) {
            chosen = content;
        }
        start = end + 1;
    }
    chosen = trim(chosen);
    if (!chosen.empty()) result.boundary = chosen.starts_with("--") ? std::string(chosen) : "--" + std::string(chosen);
    return result;
}

}  // namespace oculon::video
