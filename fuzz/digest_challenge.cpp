// "WWW-Authenticate" lines from a server, one per input line, answered by
// the Digest class.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/DigestAuthentication.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= input.size() && lines.size() < 8) {
        const auto end = input.find('\n', start);
        lines.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    TIdDigestAuthentication digest;
    digest.AuthParams = lines;
    digest.SetUsername("u");
    digest.SetPassword("p");
    digest.SetRequest("GET", "/x");
    try {
        for (int round = 0; round < 2; ++round) {
            if (digest.DoNext() == oculon::platform::wnDoRequest) (void)digest.Authentication();
        }
    } catch (const DigestAuthenticationError&) {}
    std::string s = input;
    (void)Unquote(s);
    return 0;
}
