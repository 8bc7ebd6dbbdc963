#pragma once
// TVideobild: the live-video popup of a door call or of a preview from the
// tray menu. It shows the station's stream (and a second camera in an inset,
// exchanged by a double click), the clock, the station's input state and the
// door, light and snapshot buttons, and closes itself when the stream turns
// black, when no picture came for 3 seconds, or when a video-only call's time
// is up.
//
// The tray form creates it hidden, hands it its senders and callbacks, and
// starts and stops calls:
//   auto* popup = new TVideobild();            // top-level, hidden
//   popup->sendFunction = ...; popup->sendFunctionLindavor = ...;
//   popup->callEnd = [](TVideobild& p) {...};  // after every close
//   popup->blackHandle = target;               // optional: 1039 instead of closing
//   popup->startVideo(station, false);
// A preview popup (startVideo(..., true)) frees itself when it closes.

#include <QFrame>
#include <QLabel>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "config/ConfigEntries.h"
#include "platform/MainLoop.h"
#include "video/HauptProgrammModel.h"
#include "video/ui/ActionButton.h"
#include "video/ui/CallView.h"
#include "video/ui/VideoImage.h"

namespace oculon::video::ui {

class TVideobild : public CallView {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 640;
    static constexpr int kClientHeight = 525;

    explicit TVideobild(QWidget* parent = nullptr);
    ~TVideobild() override;

    // Starts a call (or a preview) on a stopped popup and shows it.
    void startVideo(const config::TSingleConfig& station, bool preview);
    // Stops the stream and hides the popup.
    void stopVideo();
    void setInput(bool on);
    // The name panel turns red while its gateway calls (off: the header colour).
    void setNameHighlight(bool on);
    const std::string& phoneIP() const { return FTelefonIP; }
    const std::string& videoIP() const { return session_.setup().target.videoIP; }
    bool running() const { return FRunning; }
    bool isPreview() const { return show_; }

    // Set by the owner (besides the senders).
    std::function<void(TVideobild&)> callEnd;
    platform::TargetId blackHandle = 0;

    double aspectRatio() const { return FAspectRatio; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    void handleMessage(platform::Message& message) override;
    void showTexts(const CallSetup& setup) override;

private:
    void stoerung(TMJPEGDecoder& decoder);
    void stoerung2(TMJPEGDecoder& decoder);
    void secondCameraBack();
    void setAspectRatio(double aspect);
    void clock(const std::tm& now);
    void layoutControls();
    // The popup fits the free area of its screen, buttons included.
    void placeOnScreen();
    void fitHeader(PopupLayout& layout);

    // Parents before children, so that children are destroyed first.
    QLabel Panel1;
    QLabel namePanel;
    QLabel datePanel;
    QLabel timePanel;
    std::array<QFrame, 5> bevels_;  // Bevel1 .. Bevel5
    VideoImage Image1;
    QLabel stoerungLbl;
    ActionButton saver;
    QFrame Panel2;
    VideoImage Image3;
    QLabel stoerLabel2;

    std::string FTelefonIP;
    bool show_ = false;
    bool FRunning = false;
    bool resizing_ = false;
    double FAspectRatio = 0.0;
    DoorPanelLayout doorLayout_;
    ApiIds ids_;
};

}  // namespace oculon::video::ui
