#include "config/Helpers.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace oculon::config {

namespace {

constexpr char kHexLower[] = "0123456789abcdef";
constexpr char kHexUpper[] = "0123456789ABCDEF";

struct MdCtxDeleter {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

std::string Hash(std::string_view text) {
    std::unique_ptr<EVP_MD_CTX, MdCtxDeleter> ctx(EVP_MD_CTX_new());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), text.data(), text.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) {
        throw std::runtime_error("MD5 is not available");
    }
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHexLower[digest[i] >> 4];
        hex += kHexLower[digest[i] & 0x0f];
    }
    return hex;
}

bool IsSafeChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
        case '!':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '-':
        case '.':
        case '_':
        case '~': return true;
        default: return false;
    }
}

std::string EncodeURIComponent(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsSafeChar(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHexUpper[c >> 4];
            out += kHexUpper[c & 0x0f];
        }
    }
    return out;
}

std::uint8_t checksum(std::string_view text) {
    std::uint8_t sum = 0;
    for (char ch : text) sum ^= static_cast<std::uint8_t>(ch);
    return sum;
}

std::int64_t DateTimeToUnix(double value) {
    // Extended precision, as the date-time arithmetic this mirrors; the
    // default rounding mode rounds ties to even.
    const long double ms = (static_cast<long double>(value) - 25569.0L) * 86400.0L * 1000.0L;
    return static_cast<std::int64_t>(std::nearbyintl(ms));
}

std::string joinDelimitedText(const std::vector<std::string>& entries, char delimiter) {
    constexpr char quote = '"';
    std::string text;
    for (const std::string& entry : entries) {
        if (&entry != &entries.front()) text += delimiter;
        // A lone empty entry would read back as none.
        const bool quoted =
            (entry.empty() && entries.size() == 1) || std::any_of(entry.begin(), entry.end(), [&](char c) {
                return static_cast<unsigned char>(c) <= ' ' || c == quote || c == delimiter;
            });
        if (!quoted) {
            text += entry;
            continue;
        }
        text += quote;
        for (const char c : entry) text.append(c == quote ? 2 : 1, c);
        text += quote;
    }
    return text;
}

std::vector<std::string> splitDelimitedText(std::string_view text, char delimiter) {
    constexpr char quote = '"';
    // A NUL ends the text, as it always did for these lists.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);

    std::vector<std::string> out;
    std::size_t p = 0;
    const auto blank = [&](std::size_t i) { return i < text.size() && static_cast<unsigned char>(text[i]) <= ' '; };
    while (blank(p)) ++p;
    while (p < text.size()) {
        std::string entry;
        if (text[p] == quote) {
            ++p;
            while (p < text.size()) {
                if (text[p] == quote) {
                    if (p + 1 < text.size() && text[p + 1] == quote) {
                        entry += quote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                entry += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > ' ' && text[p] != delimiter) ++p;
            entry.assign(text.substr(start, p - start));
        }
        out.push_back(std::move(entry));
        while (blank(p)) ++p;
        if (p < text.size() && text[p] == delimiter) {
            if (p + 1 == text.size()) out.emplace_back();
            do {
                ++p;
            } while (blank(p));
        }
    }
    return out;
}

}  // namespace oculon::config
