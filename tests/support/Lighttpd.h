#pragma once
// A real lighttpd for tests, asking for Digest or Basic authentication on
// everything it serves. Start it only inside the test's network namespace.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "support/ChildProcess.h"

namespace oculon::testsupport {

class Lighttpd {
public:
    enum class Auth { digest, basic };

    // Serves `files` (name -> content) on 127.0.0.1:`port` to `user` with
    // `password` in `realm`. Throws when the server does not come up.
    Lighttpd(Auth auth, const std::string& user, const std::string& password, const std::string& realm,
             std::uint16_t port, const std::map<std::string, std::string>& files);
    ~Lighttpd();

    std::uint16_t port() const { return port_; }
    // What lighttpd wrote to its error log (for failure messages).
    std::string log() const;

private:
    TempDir dir_;
    std::uint16_t port_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace oculon::testsupport
