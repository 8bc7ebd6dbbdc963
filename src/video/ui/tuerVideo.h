#pragma once
// TmainVideoFrame: the door-call view inside the surveillance wall. It shows
// one station's stream like the popup does, with name, date and time, the
// door, light and snapshot buttons, but it is a frame, not a window: a call
// ends by the frame hiding itself and calling its owner back (callEnd), on a
// black stream, at the end of a video-only call's time, by its close button,
// or when the owner stops it. It has no picture watchdog.
//
// The wall creates it once, hands it the senders and its callEnd, and starts
// calls with startVideo(station, false). The frame ends a call by posting
// WMTUERCLOSE (1037) to its own message target (handle()), so the ending
// runs outside the decoder's and the timer's callbacks.

#include <QLabel>
#include <QWidget>

#include <functional>
#include <string>

#include "config/ConfigEntries.h"
#include "platform/MainLoop.h"
#include "video/tuerVideoModel.h"
#include "video/ui/ActionButton.h"
#include "video/ui/CallView.h"
#include "video/ui/VideoImage.h"

namespace oculon::video::ui {

class TmainVideoFrame : public CallView {
    Q_OBJECT

public:
    static constexpr int kWidth = 564;
    static constexpr int kHeight = 430;

    explicit TmainVideoFrame(QWidget* parent = nullptr);
    ~TmainVideoFrame() override;

    void startVideo(const config::TSingleConfig& station, bool show);
    // Stops the stream and hides the frame.
    void stopVideo();
    // stopVideo, then callEnd.
    void doClose();
    const std::string& telefonIP() const { return FTelefonIP; }

    // The stream id of type-6 cameras; the wall draws it once.
    void setAppID(std::string id) { FAppID = std::move(id); }
    const std::string& appID() const { return FAppID; }

    // Set by the owner (besides the senders).
    std::function<void(TmainVideoFrame&)> callEnd;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // WMTUERCLOSE ends the call.
    void handleMessage(platform::Message& message) override;
    void showTexts(const CallSetup& setup) override;

private:
    void stoerung(TMJPEGDecoder& decoder);
    void setAspectRatio(double aspect);
    void FrameResize();

    VideoImage videoImage;
    QLabel stoerLabel;
    QWidget Panel1;
    QLabel namePanel;
    QLabel dateTimePanel;
    ActionButton saveBtn;
    ActionButton BitBtn1;
    KeysHint keysHint;

    std::string FTelefonIP;
    std::string FAppID;
    bool FOhneBT = false;
    double FAspectRatio = 0.0;
    DoorPanelLayout doorLayout_;
};

}  // namespace oculon::video::ui
