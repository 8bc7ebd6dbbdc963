#include "devices/DigestAuthentication.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

#include "config/Helpers.h"

namespace oculon::devices {

namespace {

using platform::wnAskTheProgram;
using platform::wnDoRequest;

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimLeft(s);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// Cuts `s` at the first `delimiter`: returns what came before, leaves `s`
// after it; without the delimiter returns all of `s` and empties it.
std::string fetch(std::string& s, char delimiter) {
    const auto at = s.find(delimiter);
    std::string head = s.substr(0, at);
    s = at == std::string::npos ? std::string() : s.substr(at + 1);
    return head;
}

using ParamList = std::vector<std::pair<std::string, std::string>>;

std::string valueOf(const ParamList& params, std::string_view name) {
    for (const auto& [n, v] : params)
        if (TextIsSame(n, name)) return v;
    return {};
}

ParamList parseChallenge(std::string s) {
    fetch(s, ' ');  // the scheme word
    ParamList params;
    while (!s.empty()) {
        std::string name(trim(fetch(s, '=')));
        s = std::string(trimLeft(s));
        std::string value;
        if (!s.empty() && s.front() == '"') {
            value = Unquote(s);
            fetch(s, ',');
        } else {
            value = std::string(trim(fetch(s, ',')));
        }
        params.emplace_back(std::move(name), std::move(value));
        s = std::string(trimLeft(s));
    }
    return params;
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    std::string rest = list;
    while (!rest.empty()) {
        std::string item(trim(fetch(rest, ',')));
        if (!item.empty()) items.push_back(std::move(item));
    }
    return items;
}

bool holds(const std::vector<std::string>& list, std::string_view item) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return TextIsSame(s, item); });
}

}  // namespace

bool TextIsSame(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool TextStartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && TextIsSame(text.substr(0, prefix.size()), prefix);
}

std::string Unquote(std::string& s) {
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '"') {
            std::string value = s.substr(1, i - 1);
            s.erase(0, i + 1);
            return value;
        }
    }
    std::string value = s.size() > 1 ? s.substr(1) : std::string();
    s.clear();
    return value;
}

void TIdDigestAuthentication::SetRequest(const std::string& method, const std::string& uri) {
    FMethod = method;
    FUri = uri;
}

platform::TIdAuthWhatsNext TIdDigestAuthentication::DoNext() {
    if (CurrentStep != 0) return wnDoRequest;
    FQopOptions.clear();
    std::string line;
    for (const auto& candidate : AuthParams) {
        if (TextIsSame(platform::challengeScheme(candidate), "Digest")) {
            line = std::string(trimLeft(candidate));
            break;
        }
    }
    const ParamList params = parseChallenge(line);
    FRealm = valueOf(params, "realm");
    const std::string nonce = valueOf(params, "nonce");
    if (nonce != Fnonce) {
        FNonceCount = 1;
        Fnonce = nonce;
    }
    FOpaque = valueOf(params, "opaque");
    FAlgorithm = valueOf(params, "algorithm");
    FQopOptions = splitList(valueOf(params, "qop"));
    if (FAlgorithm.empty()) FAlgorithm = "MD5";
    else if (!TextIsSame(FAlgorithm, "MD5") && !TextIsSame(FAlgorithm, "MD5-sess"))
        throw DigestAuthenticationError("Unsupported hash algorithm. This implementation supports only MD5 encoding.");
    if (Username().empty()) return wnAskTheProgram;
    CurrentStep = 1;
    return wnDoRequest;
}

std::string TIdDigestAuthentication::makeCnonce() const {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
    return config::Hash(text);
}

std::string TIdDigestAuthentication::Authentication() {
    using config::Hash;
    if (CurrentStep == 0) return "Digest";
    if (CurrentStep != 1) return {};
    const std::string cnonce = makeCnonce();
    std::string a1 = Username() + ":" + FRealm + ":" + Password();
    if (TextIsSame(FAlgorithm, "MD5-sess")) a1 = Hash(a1) + ":" + Fnonce + ":" + cnonce;
    std::string a2 = FMethod + ":" + FUri;
    std::string qop;
    if (holds(FQopOptions, "auth-int")) {
        qop = "auth-int";
        a2 += ":" + Hash(FEntityBody);
    } else if (holds(FQopOptions, "auth")) {
        qop = "auth";
    }
    char nc[16];
    std::snprintf(nc, sizeof nc, "%08X", static_cast<unsigned>(FNonceCount));
    const std::string response =
        qop.empty() ? Hash(Hash(a1) + ":" + Fnonce + ":" + Hash(a2))
                    : Hash(Hash(a1) + ":" + Fnonce + ":" + nc + ":" + cnonce + ":" + qop + ":" + Hash(a2));

    std::string header = "Digest username=\"" + Username() + "\", realm=\"" + FRealm + "\", nonce=\"" + Fnonce +
                         "\", algorithm=\"" + FAlgorithm + "\", uri=\"" + FUri + "\"";
    if (!qop.empty()) header += ", qop=\"" + qop + "\", nc=" + nc + ", cnonce=\"" + cnonce + "\"";
    header += ", response=\"" + response + "\"";
    if (!FOpaque.empty()) header += ", opaque=\"" + FOpaque + "\"";
    ++FNonceCount;
    CurrentStep = 0;
    return header;
}

void registerDigestAuthentication() {
    platform::AuthRegistry::instance().registerScheme("Digest",
                                                      [] { return std::make_unique<TIdDigestAuthentication>(); });
}

}  // namespace oculon::devices
