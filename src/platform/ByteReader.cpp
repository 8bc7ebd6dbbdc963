#include "platform/ByteReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Net.h"

namespace oculon::platform {

namespace {
constexpr std::size_t kChunk = 16 * 1024;
}

std::size_t MemorySource::readSome(char* destination, std::size_t capacity) {
    const std::size_t n = std::min(capacity, data_.size());
    if (n == 0) return 0;
    std::memcpy(destination, data_.data(), n);
    data_.remove_prefix(n);
    return n;
}

bool BufferedReader::fill() {
    if (ended_) return false;
    // Drop consumed bytes before growing, so a long stream does not pile up.
    if (start_ > 0 && (start_ == buffer_.size() || start_ >= kChunk)) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    std::size_t got = 0;
    try {
        got = source_.readSome(buffer_.data() + old, kChunk);
    } catch (...) {
        buffer_.resize(old);
        throw;
    }
    buffer_.resize(old + got);
    if (got == 0) ended_ = true;
    return got > 0;
}

void BufferedReader::consume(std::size_t count) {
    start_ += count;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
}

std::string BufferedReader::readUntil(std::string_view terminator, std::size_t maxLength) {
    std::size_t scanned = 0;  // bytes after start_ known to hold no terminator start
    for (;;) {
        const std::string_view view(buffer_.data() + start_, buffer_.size() - start_);
        const std::size_t found = view.find(terminator, scanned);
        if (found != std::string_view::npos) {
            if (found > maxLength) throw LineTooLongError();
            std::string result(view.substr(0, found));
            consume(found + terminator.size());
            return result;
        }
        if (view.size() >= maxLength + terminator.size()) throw LineTooLongError();
        if (view.size() >= terminator.size()) scanned = view.size() - terminator.size() + 1;
        if (!fill()) throw ConnectionClosedError();
    }
}

std::string BufferedReader::readLn(std::size_t maxLength) {
    // One more byte for the CR that belongs to the terminator.
    std::string line = readUntil("\n", maxLength + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    else if (line.size() > maxLength) throw LineTooLongError();
    return line;
}

std::string BufferedReader::readExact(std::size_t count) {
    while (buffered() < count) {
        if (!fill()) throw ConnectionClosedError();
    }
    std::string result(buffer_.data() + start_, count);
    consume(count);
    return result;
}

std::string BufferedReader::readToEnd(std::size_t maxLength) {
    while (fill()) {
        if (buffered() > maxLength) throw LineTooLongError();
    }
    if (buffered() > maxLength) throw LineTooLongError();
    std::string result(buffer_.data() + start_, buffered());
    consume(buffered());
    return result;
}

std::size_t BufferedReader::readSome(char* destination, std::size_t capacity) {
    if (capacity == 0) return 0;
    if (buffered() == 0) {
        // Large reads go straight through; no point in copying twice.
        if (capacity >= kChunk && !ended_) {
            const std::size_t got = source_.readSome(destination, capacity);
            if (got == 0) ended_ = true;
            return got;
        }
        if (!fill()) return 0;
    }
    const std::size_t n = std::min(capacity, buffered());
    std::memcpy(destination, buffer_.data() + start_, n);
    consume(n);
    return n;
}

bool BufferedReader::atEnd() { return buffered() == 0 && !fill(); }

}  // namespace oculon::platform
