#include "platform/HttpAuthentication.h"

#include "platform/Base64.h"
#include "platform/HttpResponseParser.h"

namespace oculon::platform {

TIdAuthWhatsNext BasicAuthentication::DoNext() {
    if (Username().empty() && Password().empty()) return wnAskTheProgram;
    CurrentStep = 1;
    return wnDoRequest;
}

std::string BasicAuthentication::Authentication() { return "Basic " + base64Encode(Username() + ":" + Password()); }

std::string_view challengeScheme(std::string_view line) {
    line = trimView(line);
    const auto blank = line.find_first_of(" \t");
    return blank == std::string_view::npos ? line : line.substr(0, blank);
}

AuthRegistry& AuthRegistry::instance() {
    static AuthRegistry registry;
    return registry;
}

AuthRegistry::AuthRegistry() {
    factories_.emplace_back("Basic", [] { return std::make_unique<BasicAuthentication>(); });
}

void AuthRegistry::registerScheme(const std::string& scheme, Factory factory) {
    std::lock_guard lock(mutex_);
    for (auto& [name, existing] : factories_) {
        if (equalsIgnoreCase(name, scheme)) {
            existing = std::move(factory);
            return;
        }
    }
    factories_.emplace_back(scheme, std::move(factory));
}

void AuthRegistry::unregisterScheme(std::string_view scheme) {
    std::lock_guard lock(mutex_);
    std::erase_if(factories_, [&](const auto& f) { return equalsIgnoreCase(f.first, scheme); });
}

std::unique_ptr<HttpAuthentication> AuthRegistry::create(std::string_view scheme) const {
    std::lock_guard lock(mutex_);
    for (const auto& [name, factory] : factories_)
        if (equalsIgnoreCase(name, scheme)) return factory();
    return nullptr;
}

}  // namespace oculon::platform
