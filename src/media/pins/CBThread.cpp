#include "media/pins/CBThread.h"

#include <cxxabi.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <typeinfo>

#include "platform/Log.h"

namespace oculon::pins {

namespace {

void applyPriority(pid_t tid, TThreadPriority priority) {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), CBNiceValue(priority)) != 0)
        log::debug(log::Category::media, "thread priority %d not set: %s", CBNiceValue(priority), std::strerror(errno));
}

}  // namespace

int CBNiceValue(TThreadPriority priority) {
    static constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -20};
    const auto i = static_cast<std::size_t>(priority);
    return i < std::size(kNice) ? kNice[i] : 0;
}

std::string TCBThread::GetComponentName(const TComponent& component) {
    if (!component.Name().empty()) return component.Name();
    const char* mangled = typeid(component).name();
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> plain(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                       std::free);
    std::string name = status == 0 && plain ? plain.get() : mangled;
    // The class itself, without its namespaces or template arguments.
    if (const auto angle = name.find('<'); angle != std::string::npos) name.erase(angle);
    if (const auto colons = name.rfind("::"); colons != std::string::npos) name.erase(0, colons + 2);
    return name;
}

void TCBThread::SetPriority(TThreadPriority priority) {
    std::lock_guard l(m_);
    priority_ = priority;
    if (tid_ != 0) applyPriority(tid_, priority);
}

TThreadPriority TCBThread::Priority() {
    std::lock_guard l(m_);
    return priority_;
}

pid_t TCBThread::ThreadId() {
    std::lock_guard l(m_);
    return tid_;
}

void TCBThread::SetName() {
    platform::setCurrentThreadName(Name());
    std::lock_guard l(m_);
    tid_ = gettid();
    if (priority_ != TThreadPriority::tpNormal) applyPriority(tid_, priority_);
}

void TCBThread::ThreadEnded() {
    // The id may be given to another thread once this one is gone.
    std::lock_guard l(m_);
    tid_ = 0;
}

}  // namespace oculon::pins
