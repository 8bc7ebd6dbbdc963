#include "video/ueberwachungKachel.h"

#include "video/WriteFailureText.h"
#include "video/ueberwachungAbbau.h"

namespace oculon::video {

TVideoObjekt::TVideoObjekt(TileControls& controls, config::TServerAttributes attributes, int rec)
    : controls_(controls), attributes_(std::move(attributes)), rec_(rec) {
    if (rec_ < kRecNever || rec_ > kRecByUser) rec_ = kRecNever;
    controls_.setCaptionVisible(true);
    startDecoder();
}

TVideoObjekt::~TVideoObjekt() {
    if (decoder_) {
        DecoderTeardown teardown;
        retire(teardown);
    }
}

void TVideoObjekt::startDecoder() {
    attributes_.aufzeichnen = recordsIn(rec_, userRecording_);
    decoder_ = std::make_unique<TMJPEGDecoder>(attributes_);
    decoder_->setVisibleImage(&controls_.picture());
    // The decoder is stopped on this thread before this object goes, so no
    // fault report can reach a tile that is gone.
    decoder_->setOnStoerung([this](TMJPEGDecoder& sender) { controls_.showFault(sender.ErrorNo(), sender.AddInfo()); });
    decoder_->setTimeLabel(&controls_.caption());
    decoder_->setOnRecording([this](TMJPEGDecoder&) { showRecording(); });
    showRecording();
    decoder_->Start();
}

void TVideoObjekt::showRecording() {
    RecButtonState state = recButtonFor(rec_, userRecording_);
    if (const auto failure = decoder_ ? decoder_->recordingFailure() : std::nullopt) {
        state.problem = recordingFailureText(*failure);
        state.red = false;
    }
    controls_.setRecButton(state);
}

void TVideoObjekt::restartDecoder() {
    DecoderTeardown teardown;
    teardown.add(std::move(decoder_));
    teardown.waitAll(kRestartWait);
    startDecoder();
}

void TVideoObjekt::setRec(int mode) {
    if (mode < kRecNever || mode > kRecByUser || mode == rec_) return;
    rec_ = mode;
    userRecording_ = false;
    restartDecoder();
}

void TVideoObjekt::SpeedBtnClick() {
    if (rec_ != kRecByUser) return;
    userRecording_ = !userRecording_;
    restartDecoder();
}

void TVideoObjekt::setFrameRate(std::int32_t divisor) {
    attributes_.frameRate = std::max(1, divisor);
    if (decoder_) decoder_->setFrameRate(attributes_.frameRate);
}

void TVideoObjekt::retire(DecoderTeardown& teardown) {
    if (decoder_) teardown.add(std::move(decoder_));
    hideControls();
}

void TVideoObjekt::hideControls() {
    controls_.setRecButton({});
    controls_.setCaptionVisible(false);
}

}  // namespace oculon::video
