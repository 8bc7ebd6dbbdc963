#include "support/Lighttpd.h"

#include <openssl/evp.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace oculon::testsupport {

namespace {
std::string md5(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}
}  // namespace

Lighttpd::Lighttpd(Auth auth, const std::string& user, const std::string& password, const std::string& realm,
                   std::uint16_t port, const std::map<std::string, std::string>& files)
    : port_(port) {
    for (const auto& [name, content] : files) dir_.write("www/" + name, content);
    std::string users;
    std::string backend;
    if (auth == Auth::digest) {
        users = dir_.write("users", user + ":" + realm + ":" + md5(user + ":" + realm + ":" + password) + "\n");
        backend = "auth.backend = \"htdigest\"\nauth.backend.htdigest.userfile = \"" + users + "\"\n";
    } else {
        users = dir_.write("users", user + ":" + password + "\n");
        backend = "auth.backend = \"plain\"\nauth.backend.plain.userfile = \"" + users + "\"\n";
    }
    const std::string config =
        dir_.write("lighttpd.conf",
                   "server.document-root = \"" + dir_.path() + "/www\"\n" + "server.port = " + std::to_string(port) +
                       "\n" + "server.bind = \"127.0.0.1\"\n" + "server.errorlog = \"" + dir_.path() +
                       "/error.log\"\n" + "server.modules = (\"mod_auth\", \"mod_authn_file\")\n" + backend +
                       "auth.require = ( \"/\" => ( \"method\" => \"" + (auth == Auth::digest ? "digest" : "basic") +
                       "\", \"realm\" => \"" + realm + "\", \"require\" => \"valid-user\" ) )\n");
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"lighttpd", "-D", "-f", config},
                                              dir_.path() + "/stdout.log");
    if (!waitForTcpPort("127.0.0.1", port, std::chrono::milliseconds(5000)))
        throw std::runtime_error("lighttpd did not start: " + log());
}

Lighttpd::~Lighttpd() { process_->stop(); }

std::string Lighttpd::log() const {
    std::stringstream out;
    for (const char* name : {"/error.log", "/stdout.log"}) out << std::ifstream(dir_.path() + name).rdbuf();
    return out.str();
}

}  // namespace oculon::testsupport
