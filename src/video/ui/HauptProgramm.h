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
#include <optional>
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
    // Runs, at the next event, once the shown popup has come to stand
    // elsewhere than it asked for: framed by the window manager, moved or
    // sized by it, or brought back onto a screen; not after the user's moves.
    std::function<void()> placeSettled;

    double aspectRatio() const { return FAspectRatio; }

    // Where the user wants the popup: its frame's place and its client size.
    // The owner's place when it moved or resized the hidden popup; while it
    // shows, only the user's moves and resizes change it, not the fitting to
    // the screen and the picture, nor a window manager that sizes windows
    // itself.
    PixelRect wantedPlace() const;
    // Where the popup stands now (its frame's place and its client size),
    // or is to stand while the window manager has not framed it yet.
    PixelRect standsAt() const;
    // The owner moves the shown popup to `place`, over those it stands on.
    void placeAt(const PixelRect& place);
    // The popup stays within `most` (its client size) as it takes its
    // picture's aspect, where its owner gave it a place among others, until
    // the user sizes it or its call ends.
    void keepWithin(Size most) { keptWithin_ = most; }
    // The user moved or sized the shown popup.
    bool placedByUser() const { return placedByUser_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void handleMessage(platform::Message& message) override;
    void showTexts(const CallSetup& setup) override;

private:
    void stoerung(TMJPEGDecoder& decoder);
    void stoerung2(TMJPEGDecoder& decoder);
    void secondCameraBack();
    void setAspectRatio(double aspect);
    void clock(const std::tm& now);
    // Lays the controls out for the size the popup has.
    void layoutControls();
    // The size that holds the picture at its aspect, as near `size` as the
    // screen allows.
    Size sizeForPicture(Size size) const;
    // Asks for that size, once for each size the window manager gave.
    void fitToPicture();
    // Gives the popup `size` at the wanted place, both made to fit the free
    // area of its screen, frame and buttons included.
    void placeOnScreen(Size size);
    // Once the window manager has framed the shown popup, its real frame
    // goes where the guessed one was to go.
    void settleOnceFramed();
    // A popup that no screen's free area holds whole comes back into the
    // nearest one.
    void comeBackOntoScreen();
    // Runs placeSettled at the next event, once for what came until then.
    void tellSettled();
    // Whether a move or resize of the shown popup that it did not ask for
    // itself is the user's.
    bool byTheUser() const;
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
    KeysHint keysHint;

    std::string FTelefonIP;
    bool show_ = false;
    bool FRunning = false;
    // Its own move or resize is under way.
    bool placing_ = false;
    // Shown, but not yet framed by the window manager.
    bool settling_ = false;
    PixelRect wanted_;
    // The popup as it was when it was last hidden: the owner changed it if
    // it differs at the next start.
    PixelRect hiddenAs_;
    // What the popup last asked for: a change to exactly that is its own.
    PixelRect asked_;
    // The size the popup had when it asked for another for its picture,
    // until the window manager answers.
    std::optional<Size> askedFrom_;
    // The window manager chose the popup's size (a tiling one, or one that
    // kept its size when the popup asked for another): the popup lays out
    // for it and asks for no other until the user resizes it.
    bool sizedByWindowManager_ = false;
    bool placedByUser_ = false;
    std::optional<Size> keptWithin_;
    bool settledToTell_ = false;
    double FAspectRatio = 0.0;
    DoorPanelLayout doorLayout_;
    ApiIds ids_;
};

}  // namespace oculon::video::ui
