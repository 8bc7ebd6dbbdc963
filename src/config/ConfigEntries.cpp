#include "config/ConfigEntries.h"

namespace oculon::config {

void TSingleConfig::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TSingleConfig*>(&source);
    if (!other || other == this) return;
    const bool keepVideoOnly = videoOnly;
    *this = *other;
    videoOnly = keepVideoOnly;
}

void TManualConfig::Assign(const TPersistent& source) {
    if (const auto* other = dynamic_cast<const TManualConfig*>(&source)) *this = *other;
}

void TSurveillanceConfig::Assign(const TPersistent& source) {
    if (const auto* other = dynamic_cast<const TSurveillanceConfig*>(&source)) *this = *other;
}

void TSurveillanceConfig::readFromAttributes(const TServerAttributes& attributes) {
    typ = attributes.ServerTyp;
    name = attributes.CameraName;
    commonName = attributes.CameraName;
    ipAddr = attributes.IP;
    port = attributes.Port;
    user = attributes.UserName;
    password = attributes.Password;
    path = attributes.Path;
    mirabPath = attributes.mirabPath;
    mirabReduction = attributes.mirabCrop;
}

void TSurveillanceConfig::writeToAttributes(TServerAttributes& attributes) const {
    attributes.ServerTyp = typ;
    attributes.CameraName = commonName.empty() ? name : commonName;
    attributes.IP = ipAddr;
    attributes.Port = port;
    attributes.UserName = user;
    attributes.Password = password;
    attributes.Path = path;
    attributes.mirabPath = mirabPath;
    attributes.mirabCrop = mirabReduction;
}

}  // namespace oculon::config
