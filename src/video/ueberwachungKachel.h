#pragma once
// TVideoObjekt: one running tile of the surveillance wall. It owns the
// tile's stream decoder, restarts it when the recording mode changes or the
// user toggles recording, and drives the tile's controls (caption, recording
// button, fault display) through TileControls. Main thread only.

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigEntries.h"
#include "video/MJPEGDecoderThread.h"
#include "video/PictureSink.h"
#include "video/ueberwachungKameras.h"

namespace oculon::video {

class DecoderTeardown;

// What a running tile needs of its window's controls.
class TileControls {
public:
    virtual ~TileControls() = default;
    virtual PictureSink& picture() = 0;
    virtual CaptionSink& caption() = 0;
    virtual void setCaptionVisible(bool visible) = 0;
    virtual void setRecButton(const RecButtonState& state) = 0;
    // The cross over the tile with the fault's number and detail text.
    virtual void showFault(std::int32_t errorNo, const std::string& addInfo) = 0;
};

class TVideoObjekt {
public:
    // A restarted decoder is waited for this long before the new one starts,
    // so that two recordings of one camera never overlap.
    static constexpr std::chrono::milliseconds kRestartWait{3000};

    // Starts the tile's decoder; `attributes` carry the tile's part already.
    TVideoObjekt(TileControls& controls, config::TServerAttributes attributes, int rec);
    // Hides the tile's button and caption; a decoder still owned is stopped
    // and freed by a tear-down thread.
    ~TVideoObjekt();
    TVideoObjekt(const TVideoObjekt&) = delete;
    TVideoObjekt& operator=(const TVideoObjekt&) = delete;

    int aufzeichnung() const { return rec_; }
    // The recording mode writer: restarts the decoder when the mode changes.
    void setRec(int mode);
    // The recording button in mode 2: starts or stops recording.
    void SpeedBtnClick();
    bool userRecording() const { return userRecording_; }

    void setFrameRate(std::int32_t divisor);
    const std::string& cameraName() const { return attributes_.CameraName; }
    const config::TServerAttributes& attributes() const { return attributes_; }
    // Null once retired.
    TMJPEGDecoder* decoder() const { return decoder_.get(); }

    // Hands the decoder, terminated, to a tear-down the caller waits for,
    // and hides the tile's button and caption.
    void retire(DecoderTeardown& teardown);

private:
    void startDecoder();
    void restartDecoder();
    // The recording button as the mode asks, or, while the decoder's
    // recording fails, not recording and why.
    void showRecording();
    void hideControls();

    TileControls& controls_;
    config::TServerAttributes attributes_;
    int rec_;
    bool userRecording_ = false;
    std::unique_ptr<TMJPEGDecoder> decoder_;
};

}  // namespace oculon::video
