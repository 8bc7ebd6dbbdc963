#pragma once
// A hostile local user in a folder we write to: while it lives, a thread
// plants a symbolic link to `target` at `name` whenever the name is free, so
// that a writer that follows links would write into `target`.

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace oculon::testsupport {

class LinkPlanter {
public:
    LinkPlanter(std::string name, std::string target) : name_(std::move(name)), target_(std::move(target)) {
        thread_ = std::thread([this] {
            while (!stop_.load()) {
                if (::symlink(target_.c_str(), name_.c_str()) == 0) planted_.fetch_add(1);
                std::this_thread::yield();
            }
        });
    }
    ~LinkPlanter() {
        stop_ = true;
        thread_.join();
    }
    LinkPlanter(const LinkPlanter&) = delete;
    LinkPlanter& operator=(const LinkPlanter&) = delete;

    int planted() const { return planted_.load(); }

private:
    std::string name_;
    std::string target_;
    std::atomic<bool> stop_{false};
    std::atomic<int> planted_{0};
    std::thread thread_;
};

}  // namespace oculon::testsupport
