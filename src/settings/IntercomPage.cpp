#include "settings/IntercomPage.h"

#include <charconv>

namespace oculon::settings {

using config::TVideoServerType;

GridRows telefonRows(const std::vector<devices::telefonObjekt>& telephones) {
    GridRows rows;
    for (const devices::telefonObjekt& t : telephones) rows.push_back({t.adresse(), t.name()});
    return rows;
}

namespace {

bool isCameraType(TVideoServerType t) {
    switch (t) {
        case config::LindavorCam:
        case config::MobotixCam:
        case config::KorvatCam:
        case config::AxisCam:
        case config::KorvatCamQuorix:
        case config::HikVision:
        case config::MirabCam: return true;
        default: return false;
    }
}

// Whole numbers only, without sign or blanks.
std::optional<int> wholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || text[0] == '-') return std::nullopt;
    return value;
}

}  // namespace

GridRows zuordnungRows(const config::TVideoConfig& settings) {
    GridRows rows;
    for (int i = 0;; ++i) {
        const auto station = settings.getConfigByNumber(i);
        if (!station) break;
        if (!isCameraType(station->typ) && station->telefonIP.empty()) continue;
        rows.push_back({station->Ip + ":" + station->Port,
                        station->commonName.empty() ? station->Name : station->commonName, "<->", station->telefonName,
                        station->telefonIP});
    }
    return rows;
}

EditedText filterDoorCode(std::u32string text, int caret) {
    EditedText out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if ((c >= U'0' && c <= U'9') || c == U'*' || c == U'#') {
            out.text += c;
        } else if (static_cast<int>(i) < caret) {
            --caret;
        }
    }
    out.caret = std::min(caret, static_cast<int>(out.text.size()));
    return out;
}

std::string filterDuration(const std::string& text) {
    if (text.empty()) return text;
    const auto n = wholeNumber(text);
    return n && *n >= 1 && *n <= 60 ? text : "5";
}

std::int32_t storedDuration(const std::string& text) {
    const auto n = wholeNumber(text);
    return n && *n >= 2 && *n <= 60 ? *n : 5;
}

AnalogFlags analogFlagsOf(const config::TSingleConfig& s) {
    return {s.analog_multi,
            {s.analog_eins, s.analog_zwei, s.analog_drei, s.analog_vier, s.analog_fuenf, s.analog_sechs,
             s.analog_sieben, s.analog_acht, s.analog_neun}};
}

AnalogFlags analogFlagsOf(const devices::ServerFields& d) {
    return {d.FAnalogMulti,
            {d.FAnalogEins, d.FAnalogZwei, d.FAnalogDrei, d.FAnalogVier, d.FAnalogFuenf, d.FAnalogSechs,
             d.FAnalogSieben, d.FAnalogAcht, d.FAnalogNeun}};
}

void setAnalogFlags(config::TSingleConfig& s, const AnalogFlags& f) {
    s.analog_multi = f.multi;
    bool* const buttons[] = {&s.analog_eins,  &s.analog_zwei,   &s.analog_drei, &s.analog_vier, &s.analog_fuenf,
                             &s.analog_sechs, &s.analog_sieben, &s.analog_acht, &s.analog_neun};
    for (std::size_t i = 0; i < f.buttons.size(); ++i) *buttons[i] = f.buttons[i];
}

CameraControls cameraControls(const FoundDevice& camera, const config::TVideoConfig& settings) {
    const devices::ServerFields& d = camera.fields;
    CameraControls c;
    c.type = d.FTyp;
    c.boxesEnabled = d.FTyp == config::LindavorCam || d.FTyp == config::AxisCam || d.FTyp == config::KorvatCamQuorix;
    const auto station = settings.getConfigByIP(camera.key);
    c.withoutIntercom = c.boxesEnabled && d.FIpTelefon.empty() && station && station->ohneBT;
    c.usePassEnabled = d.FTyp == config::unknown;
    bool output = d.FcamAusgang;
    std::string outputText = d.FcamAusgangSchrift;
    if (station) {
        c.analog = analogFlagsOf(*station);
        if (station->tuerDauer > 0) c.duration = std::to_string(station->tuerDauer);
        output = station->camAusgang;
        outputText = station->camAusgangSchrift;
        c.user = station->UserName;
        c.password = station->Passwort;
        if (d.FTyp == config::unknown) c.usePass = station->NeedCredentials;
    } else {
        c.analog = analogFlagsOf(d);
        c.user = d.FUserName;
        c.password = d.FPasswort;
    }
    // The output belongs to a camera without an intercom of its own.
    c.output = c.withoutIntercom && output;
    c.outputTextEnabled = c.output;
    if (c.output) c.outputText = outputText;
    if (d.FAuthorization) {
        c.usePass = true;
        c.userEnabled = d.FTyp != config::MirabCam;
        if (!c.userEnabled) c.user.clear();
    } else if (d.FTyp == config::unknown) {
        c.userEnabled = c.usePass;
    }
    return c;
}

bool specialFunctionsOffered(const std::string& address, const std::vector<devices::telefonObjekt>& telephones) {
    for (const devices::telefonObjekt& t : telephones) {
        if (t.adresse() == address) return t.typ() == config::KorvatV1;
    }
    return true;
}

}  // namespace oculon::settings
