#pragma once
// Runs a series of telephone configuration exchanges off the main thread, so
// a window stays alive while the telephone is read or written: the job gets
// the client on this thread, and `done` then runs on the main thread.
// Terminate breaks off the waiting exchange.

#include <functional>

#include "devices/telefonKonfig.h"
#include "platform/Thread.h"

namespace oculon::devices {

class telefonKonfigThread : public platform::Thread {
public:
    // `client` outlives the thread.
    telefonKonfigThread(telefonKonfig& client, std::function<void(telefonKonfig&)> job, std::function<void()> done);
    ~telefonKonfigThread() override;

protected:
    void Execute() override;
    void interrupt() override { client_.cancel(); }

private:
    telefonKonfig& client_;
    std::function<void(telefonKonfig&)> job_;
    std::function<void()> done_;
};

}  // namespace oculon::devices
