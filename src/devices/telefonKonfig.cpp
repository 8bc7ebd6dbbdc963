#include "devices/telefonKonfig.h"

#include <stdexcept>

#include "devices/TelegramText.h"
#include "platform/Log.h"
#include "platform/MainLoop.h"

namespace oculon::devices {

namespace {

// The process has at most one current client; the listener hands replies to
// it under this lock, so a client being freed is never handed one.
std::mutex currentMutex;
telefonKonfig* currentClient = nullptr;

void requireWorkerThread() {
    if (platform::MainLoop::instance().isMainThread())
        throw std::logic_error("telefonKonfig: a blocking telephone exchange must not run on the main thread");
}

}  // namespace

telefonKonfig::telefonKonfig(const std::string& address, const std::string& accessCode) {
    const auto hex = ipv4Hex(address);
    if (!hex) return;
    deviceIPString_ = address;
    deviceIPHex_ = *hex;
    code_ = padAccessCode(accessCode);
    try {
        client_.emplace();
    } catch (const platform::NetError& e) {
        log::warning(log::Category::devices, "telephone configuration client: %s", e.what());
        return;
    }
    inited_ = true;
}

telefonKonfig::~telefonKonfig() {
    std::lock_guard lock(currentMutex);
    if (currentClient == this) currentClient = nullptr;
}

void telefonKonfig::setCode(const std::string& accessCode) { code_ = padAccessCode(accessCode); }

void telefonKonfig::makeCurrent() {
    std::lock_guard lock(currentMutex);
    currentClient = this;
}

void telefonKonfig::handToCurrent(const TelefonTelegram& telegram) {
    std::lock_guard lock(currentMutex);
    if (currentClient) currentClient->checkPacket(telegram);
}

void telefonKonfig::checkPacket(const TelefonTelegram& telegram) {
    std::lock_guard lock(mutex_);
    bool confirmed = false;
    switch (awaiting_) {
        case Awaiting::Nothing: return;
        case Awaiting::ReadValue:
            if (question_ == 'a') {
                if (auto value = readReplyValue(telegram, deviceIPHex_)) {
                    myRes_ = std::move(*value);
                    confirmed = true;
                }
            }
            break;
        case Awaiting::WriteStep: confirmed = writeStepConfirmed(telegram, deviceIPHex_, question_, daten_); break;
        case Awaiting::Reset: confirmed = resetConfirmed(telegram, daten_); break;
    }
    if (!confirmed) return;
    gotReply_ = true;
    awaiting_ = Awaiting::Nothing;
    replied_.notify_all();
}

void telefonKonfig::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    replied_.notify_all();
}

void telefonKonfig::waitOrCancel(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    replied_.wait_for(lock, d, [this] { return cancelled_; });
}

bool telefonKonfig::sendePaket(Awaiting what) {
    requireWorkerThread();
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return false;
        awaiting_ = what;
        gotReply_ = false;
    }
    sendTrials_ = 0;
    timeout_ = false;
    const auto send = [this] {
        try {
            client_->sendTo(deviceIPString_, kDevicePort, paket_);
        } catch (const platform::NetError&) {
            // Counted like a lost telegram: the next try sends again.
        }
    };
    send();
    bool ok = false;
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (replied_.wait_for(lock, timing_.replyWait, [this] { return gotReply_ || cancelled_; })) break;
            if (sendTrials_ >= timing_.resends) break;
            ++sendTrials_;
            lock.unlock();
            send();
            lock.lock();
        }
        // A reply to any of the sends counts, also one to a resend.
        ok = gotReply_;
        awaiting_ = Awaiting::Nothing;
    }
    timeout_ = !ok;
    lindavorSequenz_ = (lindavorSequenz_ + 1) % 256;
    if (ok && sendTrials_ > 0) waitOrCancel(timing_.strayReplyGrace);
    return ok;
}

bool telefonKonfig::command(char letter, const std::string& data) {
    {
        std::lock_guard lock(mutex_);
        question_ = letter;
        daten_ = data;
    }
    paket_ = buildLsrCmd(deviceIPHex_, lindavorSequenz_, code_, letter, data);
    return sendePaket(letter == 'a' ? Awaiting::ReadValue : Awaiting::WriteStep);
}

std::string telefonKonfig::leseAdresse(int memoryAddress) {
    if (!inited_ || memoryAddress < 0 || memoryAddress > 0xFFFF) return {};
    if (!command('a', upperHex(static_cast<unsigned>(memoryAddress), 4))) return {};
    std::lock_guard lock(mutex_);
    return myRes_;
}

bool telefonKonfig::schreibeDaten(int memoryAddress, int value) {
    if (!inited_ || memoryAddress < 0 || memoryAddress > 0xFFFF || value < 0 || value > 0xFF) return false;
    return command('e', "AA00") && command('c', upperHex(static_cast<unsigned>(memoryAddress), 4)) &&
           command('d', upperHex(static_cast<unsigned>(value), 2) + "00");
}

bool telefonKonfig::reset() {
    if (!inited_) return false;
    const bool ok = sendReset();
    // The telephone takes its time to come back, confirmed or not.
    awaitRestart();
    return ok;
}

bool telefonKonfig::sendReset() {
    if (!inited_) return false;
    paket_ = buildLsrEmReset(deviceIPHex_, lindavorSequenz_, code_);
    {
        std::lock_guard lock(mutex_);
        daten_ = paket_;
    }
    return sendePaket(Awaiting::Reset);
}

void telefonKonfig::awaitRestart() { waitOrCancel(timing_.restartWait); }

}  // namespace oculon::devices
