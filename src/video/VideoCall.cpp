#include "video/VideoCall.h"

#include <charconv>

#include "config/CameraTypes.h"

namespace oculon::video {

using namespace config;

CallOptions CallOptions::read(TVideoConfig& settings) {
    CallOptions o;
    o.allowCapture = settings.liesAllowConfig2();
    o.storeFirstPict = settings.storeFirstPict();
    o.storeVideo = settings.storeVideo();
    o.codeTuerOffen = settings.codeTuerOffen();
    o.protTuerOffen = settings.protTuerOffen();
    o.kommentarTuerOffen = settings.kommentarTuerOffen();
    o.useCamRes = settings.useCamRes();
    o.firstPictPath = settings.firstPictpath();
    // Not known as the call starts: a share that stops answering must not
    // hold it. The call asks the worker (lookAtPictureFolder).
    return o;
}

void setStreamCredentials(TServerAttributes& record, const TSingleConfig& station) {
    record.UserName.clear();
    record.Password.clear();
    if (!station.NeedCredentials) return;
    if (!station.UserName.empty() || !station.Passwort.empty()) {
        record.UserName = station.UserName;
        record.Password = station.Passwort;
    } else {
        record.UserName = "administrator";
        record.Password = station.AdminPass;
    }
}

std::int32_t portNumber(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 65535) return 0;
    return static_cast<std::int32_t>(value);
}

namespace {

DoorPanelLayout doorPanelFor(const TSingleConfig& s, const CallOptions& o) {
    DoorPanelLayout d;
    d.panelVisible = s.eingang || s.ausgang || s.camAusgang || !s.tuerCode.empty() || o.codeTuerOffen;
    d.doorVisible = s.ausgang || s.camAusgang;
    if (s.ausgang) d.doorCaption = s.ausgangSchrift;
    if (s.camAusgang) d.doorCaption = s.camAusgangSchrift;
    if (!s.tuerCode.empty() || o.codeTuerOffen) {
        d.doorCaption = tr(txtReleaseBuzzer);
        d.doorVisible = true;
    }
    d.inputVisible = s.eingang;
    if (s.eingang) {
        d.doorTop = 39;
        d.panelHeight = 65;
    } else if (cameraTraits(s.typ).light) {
        // The light button only exists for this type, and only without an
        // input, whose display would take its place.
        d.lichtTop = 0;
        d.doorVisible = d.panelVisible;
        d.panelVisible = true;
        d.doorTop = 26;
        d.panelHeight = d.doorVisible ? 52 : 25;
        d.lichtVisible = true;
        d.lichtCaption = tr(txtLight);
    } else {
        d.doorTop = 0;
        d.panelHeight = 26;
    }
    return d;
}

InputDisplay inputDisplayFor(const TSingleConfig& s) {
    InputDisplay in;
    in.usesPicture = !s.eingangBildEin.empty();
    if (in.usesPicture) {
        in.pictOn = s.eingangBildEin;
        in.pictOff = s.eingangBildAus;
    } else {
        in.labelOn = s.eingangSchriftEin;
        in.labelOff = s.eingangSchriftAus;
    }
    return in;
}

}  // namespace

void fillCommonSetup(CallSetup& setup, const TSingleConfig& s, bool preview, const CallOptions& o,
                     const std::string& myName) {
    setup.myName = myName;
    setup.nameText = "  " + myName;
    setup.caption = preview ? myName + tr(txtDashPreview) : myName;
    setup.saverVisible = o.allowCapture;
    setup.videoOnly = s.videoOnly;
    setup.tuerDauer = s.tuerDauer;
    setup.door = doorPanelFor(s, o);
    setup.input = inputDisplayFor(s);

    DoorTarget& t = setup.target;
    t.typ = s.typ;
    t.hasTelephone = !s.telefonIP.empty();
    t.camAusgang = s.camAusgang;
    t.doorCode = s.tuerCode;
    t.doorDuration = s.tuerDauer;
    // A video server's door command goes to its gateway when the call came
    // through one; a call found by the search has no gateway address, and the
    // server itself takes the command on the same port.
    if (cameraTraits(s.typ).doorByCommand && !t.hasTelephone) t.moxaIP = s.moxaIP.empty() ? s.Ip : s.moxaIP;
    else t.moxaIP = s.telefonIP;
    t.videoIP = s.Ip;
    t.videoPort = portNumber(s.Port);
    t.userName = s.UserName;
    t.password = s.Passwort;
    t.myName = myName;
    t.ohneBT = s.ohneBT;
    t.preview = preview;

    TServerAttributes& m = setup.main;
    m = TServerAttributes{};
    m.CameraName = myName;
    m.IP = s.Ip;
    m.Port = t.videoPort;
    m.ServerTyp = s.typ;
    setStreamCredentials(m, s);
    m.zeigeImmer = preview;
    m.isMoxa = s.eingang;
    m.ueberwachung = false;
    m.frameRate = 1;
    m.mirabPath = s.mirabPath;
    m.mirabCrop = s.mirabReduction;
}

}  // namespace oculon::video
