#pragma once
// TueberwachungForm: the surveillance wall. One window with a grid of live
// camera tiles in one of eleven layouts, one stream decoder per tile, and the
// door frame that takes tile 0's place for a door call.
//
// Who talks to it:
// - the tray form creates it (hidden), shows it, starts and stops door calls
//   (startDoorVideo, stopDoorVideo, resetActIp) and at shut-down lets it
//   close (erlaubeSchliessen, then close()); the window stores its geometry
//   when it closes;
// - the settings dialog posts WMSURVEILLANCECFGCHANGE (1034) and
//   WMSURVEILLANCESINGLE (1035, payload TSurvChange) to handle(), hands in
//   its own target with setKonfigTarget() while it is visible and gets
//   WMSURVEILLANCESINGLEACCEPTED (1036) after every change of the wall's
//   cameras; its camera list drags a camera onto a tile (dragCameraToWall(),
//   which the wall takes while the dialog holds it), which ends in
//   dropCamera().
// Layout changes, changes from the dialog, drops and the close run one after
// the other (SerialRunner): whatever arrives while one runs waits its turn.

#include <QFrame>
#include <QProgressBar>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "platform/MainLoop.h"
#include "video/ueberwachungKachel.h"
#include "video/ueberwachungKameras.h"
#include "video/ueberwachungLayout.h"
#include "video/ueberwachungSerial.h"
#include "video/ui/tuerVideo.h"
#include "video/ui/ueberwachungUnitKachel.h"

namespace oculon::video::ui {

class TueberwachungForm : public QWidget {
    Q_OBJECT

public:
    // How long the close waits for the decoders before it leaves the rest
    // to their tear-down threads.
    static constexpr std::chrono::milliseconds kCloseWait{10000};

    explicit TueberwachungForm(config::TVideoConfig& settings, QWidget* parent = nullptr);
    ~TueberwachungForm() override;

    // Where 1034 and 1035 go.
    platform::TargetId handle() const { return target_.id(); }
    // The settings dialog's target while it is visible; 0 when it is not.
    void setKonfigTarget(platform::TargetId target) { konfigTarget_ = target; }
    // The discovery list, for cameras dropped that are not configured.
    void setDiscovery(DiscoveryLookup lookup) { discovery_ = std::move(lookup); }

    // Builds or re-places the grid for `layout`; see the class comment on
    // when it runs.
    void setLayout(config::TLayoutTyp layout);
    // The next layout change builds every tile afresh (a camera's name or
    // stream path changed).
    void markForRebuild() { firstLayout = true; }

    // A door call over tile 0 (only when none is shown); the tiles keep running.
    void startDoorVideo(const config::TSingleConfig& station);
    void stopDoorVideo();
    bool doorVideoShown() const;
    // Called when a door call in the wall ends by itself or by its close button.
    std::function<void()> resetActIp;
    // The panel holds the frame, so it is declared (and built) first.
    QWidget doorPanel;
    TmainVideoFrame mainVideoFrame1;

    // A camera caption dropped on a tile (its first line is address ":" port).
    void dropCamera(int tile, const std::string& caption);

    // The window may close (the tray form at shut-down, the dialog when it
    // switches the wall off); until then closing is refused.
    void erlaubeSchliessen() { mayClose = true; }

    // ---- State, for the tray form and tests.
    int tileCount() const { return static_cast<int>(tiles_.size()); }
    WallTile* tile(int t);
    // The running tile of a tile number, or null.
    TVideoObjekt* videoObjekt(int t);
    config::TLayoutTyp currentLayout() const { return oldLayout; }
    bool isBusy() const { return runner_.busy(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The caption follows a change of language; the door frame follows by itself.
    void changeEvent(QEvent* event) override;

private:
    void handleMessage(platform::Message& message);
    void layoutJob(config::TLayoutTyp layout);
    void tearDownTiles(bool withProgress);
    void buildTiles(config::TLayoutTyp layout);
    void startStoredCameras(config::TLayoutTyp layout);
    void placeControls(config::TLayoutTyp layout);
    void singleChange(const config::TSurvChange& change);
    void dropJob(int tile, const std::string& caption);
    void recClick(int tile);
    // Ends a tile's decoder and forgets the tile's running object.
    void stopTile(const std::string& key);
    void startTile(int tile, config::TServerAttributes attributes, int rec);
    void closeJob();
    void doorVideoEnded();
    void showTile0(bool visible);
    void announceChange();
    std::vector<std::string> shownNames() const;
    std::int32_t frameRate() const;

    config::TVideoConfig& settings_;
    DiscoveryLookup discovery_;
    platform::TargetId konfigTarget_ = 0;

    config::TLayoutTyp oldLayout = config::r2x2;
    bool firstLayout = true;
    bool isDisplaying = false;
    bool isDestroying = false;
    bool mayClose = false;
    bool closed_ = false;

    QProgressBar ProgressBar1;
    std::vector<std::unique_ptr<QFrame>> separators_;
    // Running tiles go before the controls they drive.
    std::vector<std::unique_ptr<WallTile>> tiles_;
    std::vector<std::pair<std::string, std::unique_ptr<TVideoObjekt>>> decoderList;

    SerialRunner runner_;
    platform::MessageTarget target_;
};

}  // namespace oculon::video::ui
