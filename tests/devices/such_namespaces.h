#pragma once
// Two hosts for the discovery tests: the test's own network namespace and a
// peer namespace (10.77.0.2) from `netns-run --two-hosts`. A test binary
// started without one runs itself again under that runner; sockets for the
// peer side are made on a thread that has entered the peer namespace.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace oculon::testsupport {

// main() of a test that needs the peer host.
inline int runWithPeerHost(int argc, char** argv) {
    if (!std::getenv("OCULON_PEER_NS")) {
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
        // CTest names the source folder; by hand, it is above the build folder.
        std::filesystem::path source = std::getenv("OCULON_SOURCE_DIR") ? std::getenv("OCULON_SOURCE_DIR") : "";
        for (auto dir = self.parent_path(); source.empty() && dir != dir.root_path(); dir = dir.parent_path())
            if (std::filesystem::exists(dir / "tools" / "netns-run")) source = dir;
        const std::string runner = (source / "tools" / "netns-run").string();
        std::vector<std::string> args = {runner, "--two-hosts", self};
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
        std::vector<char*> raw;
        for (auto& a : args) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::unsetenv("OCULON_IN_NETNS");
        ::execv(runner.c_str(), raw.data());
        std::perror(runner.c_str());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Runs `make` in the peer namespace and returns its result; sockets it opens
// stay there, whichever thread uses them later.
template <typename F>
auto inPeerNamespace(F make) -> std::invoke_result_t<F> {
    std::invoke_result_t<F> result;
    std::exception_ptr failure;
    std::thread([&] {
        try {
            const std::string path = std::string("/run/netns/") + std::getenv("OCULON_PEER_NS");
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) throw std::runtime_error("cannot enter " + path);
            ::close(fd);
            result = make();
        } catch (...) {
            failure = std::current_exception();
        }
    }).join();
    if (failure) std::rethrow_exception(failure);
    return result;
}

}  // namespace oculon::testsupport
