#pragma once
// The worker thread base of the media library: a platform thread named
// after the component it works for, with a priority that can change while
// it runs. Priorities are nice values of the thread, set as far as the
// system allows: raising one without the right to do so leaves it as it
// was, and nothing fails.

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "media/pins/PNComponent.h"
#include "platform/Thread.h"

namespace oculon::pins {

enum class TThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The nice value a priority maps to: 19, 10, 5, 0, -5, -10, -20.
int CBNiceValue(TThreadPriority priority);

class TCBThread : public platform::Thread {
public:
    // Made stopped; the creator starts it.
    explicit TCBThread(std::string name) : Thread(std::move(name)) {}

    // The component's name, or its class name (without namespaces) when it has none.
    static std::string GetComponentName(const TComponent& component);

    // Applied at once while the thread runs, else when it starts.
    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority();
    // The kernel's id of the running thread; 0 before it starts and after it ends.
    pid_t ThreadId();

protected:
    // Execute() calls these first and last: the first names the thread
    // (as far as the system takes: 15 characters) and applies the priority.
    void SetName();
    void ThreadEnded();

private:
    std::mutex m_;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    pid_t tid_ = 0;
};

}  // namespace oculon::pins
