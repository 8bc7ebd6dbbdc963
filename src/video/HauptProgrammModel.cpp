#include "video/HauptProgrammModel.h"

#include <cmath>

#include "platform/ShownText.h"

namespace oculon::video {

using namespace config;

ApiIds ApiIds::draw(std::mt19937& random) {
    std::uniform_int_distribution<int> id(10000, 99998);
    ApiIds ids;
    ids.apiid1 = std::to_string(id(random));
    ids.apiid2 = std::to_string(id(random));
    return ids;
}

std::string popupStreamPath(const TSingleConfig& s, const CallOptions& o, const std::string& apiid1) {
    if (!s.videoPath.empty()) return s.videoPath;
    const std::string res = o.useCamRes ? std::string() : s.resString;
    return builtInStreamPath(s.typ, res, apiid1).value_or(s.videoPath);
}

std::string secondStreamPath(const TSingleConfig& s, const std::string& apiid2) {
    if (!s.secondaryPath.empty()) return s.secondaryPath;
    return builtInStreamPath(s.secondaryType, s.secondaryResString, apiid2).value_or(std::string());
}

CallSetup popupSetup(const TSingleConfig& s, bool preview, const CallOptions& o, const ApiIds& ids) {
    CallSetup c;
    fillCommonSetup(c, s, preview, o, s.commonName.empty() ? s.Name : s.commonName);
    c.main.Path = popupStreamPath(s, o, ids.apiid1);
    // Recording needs the folder; an empty picture path records below the
    // current folder, as snapshots do.
    c.main.aufzeichnen = o.storeVideo && !o.pictureFolderMissing;
    c.firstPictureCallback = !o.pictureFolderMissing;

    if (!s.secondaryName.empty()) {
        TServerAttributes r;
        r.Path = secondStreamPath(s, ids.apiid2);
        r.IP = s.secondaryIp;
        r.Port = portNumber(s.secondaryPort);
        r.ServerTyp = s.secondaryType;
        r.UserName = s.secondaryUserName;
        r.Password = s.secondaryPassword;
        r.zeigeImmer = preview;
        r.isMoxa = false;
        // Wall mode letterboxes the inset and draws date and time on it.
        r.ueberwachung = true;
        r.frameRate = 1;
        r.aufzeichnen = false;
        c.second = std::move(r);
    }
    if (o.pictureFolderMissing && (o.storeFirstPict || o.storeVideo))
        c.invalidPathMessage = invalidPathMessageFor(o.firstPictPath);
    else if (!o.firstPictPath.empty() && (o.storeFirstPict || o.storeVideo)) c.pictureFolderToLook = o.firstPictPath;
    return c;
}

std::string invalidPathMessageFor(const std::string& folder) {
    return tr(txtInvalidImagePath) + platform::shownText(folder);
}

namespace {

// Nearest whole number, halves to the even one.
int nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

Size popupSizeRule(Size requested, double aspect, PopupFrameExtra extra) {
    if (!(aspect > 0.0) || !std::isfinite(aspect)) return requested;
    const int pictureWidth = requested.width - extra.width;
    const int pictureHeight = requested.height - extra.height;
    if (pictureWidth <= 0 || pictureHeight <= 0) return requested;
    const double r = static_cast<double>(pictureWidth) / pictureHeight;
    const double threshold = aspect > 1.5 ? 16.0 / 9.0 : 4.0 / 3.0;
    Size out = requested;
    // Wide pictures follow the width when the window is narrower than 16:9;
    // the others follow the height when it is narrower than 4:3.
    const bool fitHeightToWidth = (aspect > 1.5) == (r < threshold);
    if (fitHeightToWidth) out.height = nearest(pictureWidth / aspect) + extra.height;
    else out.width = nearest(pictureHeight * aspect) + extra.width;
    return out;
}

Size popupFitSize(Size requested, double aspect, PopupFrameExtra extra, Size most) {
    const auto fits = [&](Size s) { return s.width <= most.width && s.height <= most.height; };
    const Size ruled = popupSizeRule(requested, aspect, extra);
    if (fits(ruled)) return ruled;
    const Size smallest = popupMinimumSize(extra);
    const int pictureWidth = most.width - extra.width;
    const int pictureHeight = most.height - extra.height;
    Size out{std::min(ruled.width, most.width), std::min(ruled.height, most.height)};
    if (aspect > 0.0 && std::isfinite(aspect) && pictureWidth > 0 && pictureHeight > 0) {
        out = most;
        // Whichever side the free area runs out of first sets the other.
        if (pictureWidth / aspect <= pictureHeight) out.height = static_cast<int>(pictureWidth / aspect) + extra.height;
        else out.width = static_cast<int>(pictureHeight * aspect) + extra.width;
        // The window applies the rule again to the size it is given: where
        // the rule's rounding still fits, that is the size it keeps.
        const Size again = popupSizeRule(out, aspect, extra);
        if (fits(again)) out = again;
    }
    return {std::max(smallest.width, out.width), std::max(smallest.height, out.height)};
}

Size popupMinimumSize(PopupFrameExtra extra) {
    // What a window of 11 x 75 leaves inside the usual frame.
    constexpr Size kPicture{11 - PopupFrameExtra{}.width, 75 - PopupFrameExtra{}.height};
    return {kPicture.width + extra.width, kPicture.height + extra.height};
}

Rect pictureAtAspect(const Rect& area, double aspect) {
    if (!(aspect > 0.0) || !std::isfinite(aspect) || area.width <= 0 || area.height <= 0) return area;
    const double widthAtAspect = area.height * aspect;
    if (std::abs(widthAtAspect - area.width) < 1.0) return area;
    if (widthAtAspect < area.width) {
        const int width = static_cast<int>(widthAtAspect);
        return {area.left + (area.width - width) / 2, area.top, width, area.height};
    }
    const int height = static_cast<int>(area.width / aspect);
    return {area.left, area.top + (area.height - height) / 2, area.width, height};
}

PopupLayout popupLayout(Size client, double aspect, const DoorPanelLayout& door) {
    const int w = client.width;
    const int h = client.height;
    PopupLayout l;
    l.image1 = pictureAtAspect({0, kPopupHeaderHeight, w, h - kPopupHeaderHeight}, aspect);
    const double third = l.image1.width / 3.0;
    l.panel2 = {l.image1.left + static_cast<int>(third * 2), l.image1.top + 10, static_cast<int>(third) - 10,
                l.image1.height / 3 - 10};
    l.saver = {0, h - 25, 125, 25};
    // The door button alone sits one pixel lower here than in the wall's door
    // frame; the window's edge cuts its panel's last row.
    const int panelTop = door.inputVisible || door.lichtVisible ? door.panelTop(h) : h - 25;
    l.moxaPanel = {w - 101, panelTop, kMoxaPanelWidth, door.panelHeight};
    l.panel1 = {0, 2, 199, 40};
    l.namePanel = {202, 2, w - 408, 40};
    l.datePanel = {w - 203, 2, 100, 40};
    l.timePanel = {w - 100, 2, 100, 40};
    l.bevel1 = {0, 0, w, 2};
    l.bevel2 = {200, 2, 2, 40};
    l.bevel3 = {w - 205, 2, 2, 40};
    l.bevel4 = {w - 102, 2, 2, 40};
    l.bevel5 = {0, 43, w, 2};
    return l;
}

}  // namespace oculon::video
