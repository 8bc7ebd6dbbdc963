#include "settings/SurveillancePage.h"

#include <algorithm>
#include <charconv>

#include "video/ueberwachungLayout.h"

namespace oculon::settings {

Preview previewGeometry(config::TLayoutTyp layout) {
    const video::LayoutRow& l = video::layoutRow(layout);
    const int w = l.columns > 1 ? (kPreviewWidth - 2 * l.columns) / l.columns : kPreviewWidth;
    const int h = l.rows > 1 ? (kPreviewHeight - 2 * l.rows) / l.rows : kPreviewHeight;
    Preview p{l.columns * w + 2, l.rows * h + 2, {}};
    const bool big = l.bigSpan > 0;
    for (int row = 0; row < l.rows; ++row) {
        // Beside the big tile only the last column has tiles of its own.
        const bool besideBig = big && row < l.rows - 1;
        for (int column = besideBig && row > 0 ? l.columns - 1 : 0; column < l.columns; ++column) {
            PreviewTile t;
            t.number = static_cast<int>(p.tiles.size());
            t.place = {column * w + 1, row * h + 1, w, h};
            if (big && t.number == 0) {
                t.place.width = (l.columns - 1) * w;
                t.place.height = (l.rows - 1) * h;
                column = l.columns - 2;
            }
            t.label = std::to_string(t.number);
            p.tiles.push_back(std::move(t));
        }
    }
    return p;
}

Preview previewOf(config::TLayoutTyp layout, const config::TVideoConfig& settings) {
    Preview p = previewGeometry(layout);
    const auto cameras = settings.survList();
    for (PreviewTile& t : p.tiles) {
        const auto it = std::find_if(cameras.begin(), cameras.end(),
                                     [&](const auto& entry) { return entry.first == std::to_string(t.number); });
        if (it == cameras.end() || !it->second) continue;
        const config::TSurveillanceConfig& camera = *it->second;
        t.label += "\r\n" + (camera.commonName.empty() ? camera.name : camera.commonName);
        t.recording = camera.recording;
        t.configured = true;
    }
    return p;
}

std::unique_ptr<config::TSurvChange> removeCamera(int tile) {
    auto change = std::make_unique<config::TSurvChange>();
    change->number = tile;
    change->delete_ = true;
    return change;
}

std::unique_ptr<config::TSurvChange> setRecording(int tile, int recording) {
    auto change = std::make_unique<config::TSurvChange>();
    change->number = tile;
    change->recording = recording;
    return change;
}

int frameRateDivisor(std::int32_t stored) { return stored == 2 || stored == 4 || stored == 8 ? stored : 1; }

int recordLengthOf(const std::string& text) {
    int minutes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), minutes);
    if (error == std::errc::result_out_of_range && !text.empty() && text[0] != '-') return kMaxRecordLength;
    if (error != std::errc() || end != text.data() + text.size()) minutes = 0;
    return std::clamp(minutes, 1, kMaxRecordLength);
}

}  // namespace oculon::settings
