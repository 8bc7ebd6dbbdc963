#pragma once
// Lets a probe thread's Terminate break off the HTTP request it is blocked
// in: the fetch code registers its client (or the interrupter of its
// connection) here while it runs; cancel() from any thread interrupts it and
// makes every later fetch fail at once.

#include <functional>
#include <memory>
#include <mutex>

#include "platform/HttpClient.h"

namespace oculon::devices {

class FetchCancel {
public:
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        if (active_) active_();
    }
    bool cancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

    // Registers a client for the length of one request.
    class Scope {
    public:
        Scope(FetchCancel* owner, platform::HttpClient& client) : Scope(owner, [&client] { client.interrupt(); }) {}
        Scope(FetchCancel* owner, platform::Interrupter& interrupter)
            : Scope(owner, [&interrupter] { interrupter.trigger(); }) {}
        ~Scope() {
            if (!owner_) return;
            std::lock_guard lock(owner_->mutex_);
            owner_->active_ = nullptr;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Scope(FetchCancel* owner, std::function<void()> interrupt) : owner_(owner) {
            if (!owner_) return;
            std::lock_guard lock(owner_->mutex_);
            owner_->active_ = std::move(interrupt);
            if (owner_->cancelled_) owner_->active_();
        }

        FetchCancel* owner_;
    };

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::function<void()> active_;  // interrupts the running fetch
};

}  // namespace oculon::devices
