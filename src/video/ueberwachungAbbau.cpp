#include "video/ueberwachungAbbau.h"

namespace oculon::video {

TDecoderThread::TDecoderThread(std::unique_ptr<platform::Thread> decoder, std::shared_ptr<TeardownCount> count)
    : platform::Thread("TDecoderThread"), myDecoder(std::move(decoder)), count_(std::move(count)) {}

void TDecoderThread::Execute() {
    if (myDecoder) {
        myDecoder->Terminate();
        // A terminated decoder ends at once; the loop only spares a hang
        // detector the look of an endless wait.
        while (!myDecoder->WaitFor(std::chrono::seconds(1))) {}
        myDecoder.reset();
    }
    {
        std::lock_guard lock(count_->mutex);
        ++count_->done;
    }
    count_->changed.notify_all();
}

DecoderTeardown::DecoderTeardown() : count_(std::make_shared<TeardownCount>()) {}

void DecoderTeardown::add(std::unique_ptr<platform::Thread> decoder) {
    if (decoder) decoder->Terminate();
    ++total_;
    platform::Thread::startDetached(std::make_unique<TDecoderThread>(std::move(decoder), count_));
}

std::size_t DecoderTeardown::remaining() const {
    std::lock_guard lock(count_->mutex);
    return total_ - count_->done;
}

bool DecoderTeardown::waitAll(std::chrono::milliseconds bound, const Progress& progress,
                              std::chrono::milliseconds step) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::size_t reported = static_cast<std::size_t>(-1);
    while (true) {
        std::size_t done = 0;
        {
            std::unique_lock lock(count_->mutex);
            count_->changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + step),
                                       [&] { return count_->done != reported || count_->done == total_; });
            done = count_->done;
        }
        if (progress && (done != reported || done < total_)) {
            progress(total_ == 0 ? 100 : static_cast<int>(done * 100 / total_));
        }
        reported = done;
        if (done == total_) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

}  // namespace oculon::video
