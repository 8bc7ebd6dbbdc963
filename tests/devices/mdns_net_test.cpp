// The multicast-DNS resolver against a real avahi-daemon on a second host of
// the private network (10.77.0.2), announcing a camera from a service file.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "devices/MDNSResolver.h"
#include "platform/UniqueFd.h"
#include "such_namespaces.h"
#include "support/ChildProcess.h"

using namespace oculon::devices;
using oculon::testsupport::ChildProcess;
using oculon::testsupport::TempDir;
using namespace std::chrono_literals;

namespace {

const std::string kLongPath = "mjpg=/cgi-bin/stream/with/a/rather/long/path/beyond/sixty-four/characters/video.mjpg";

// avahi-daemon with its own services folder and /run, on the interface of
// the namespace it runs in. Killed by its PID. Without `announce` it
// publishes nothing and only holds its share of port 5353.
class Avahi {
public:
    Avahi(const std::string& netns, const std::string& interface, bool announce) {
        const std::string services = dir_.path() + "/services";
        std::filesystem::create_directory(services);
        if (announce)
            dir_.write("services/cam.service",
                       "<?xml version=\"1.0\" standalone='no'?>\n"
                       "<!DOCTYPE service-group SYSTEM \"avahi-service.dtd\">\n"
                       "<service-group><name>Doorstation 7</name><service>"
                       "<type>_http._tcp</type><port>8080</port>"
                       "<txt-record>" +
                           kLongPath +
                           "</txt-record>"
                           "<txt-record>width_reduction=2</txt-record>"
                           "</service></service-group>\n");
        const std::string conf = dir_.write("avahi.conf",
                                            "[server]\nuse-ipv4=yes\nuse-ipv6=no\nenable-dbus=no\n"
                                            "allow-interfaces=" +
                                                interface +
                                                "\n"
                                                "[publish]\npublish-workstation=no\npublish-addresses=" +
                                                (announce ? "yes" : "no") + "\n");
        std::vector<std::string> argv;
        if (!netns.empty()) argv = {"ip", "netns", "exec", netns};
        const std::string script = "mount --bind " + services +
                                   " /etc/avahi/services && mount -t tmpfs tmpfs /run"
                                   " && exec avahi-daemon -f " +
                                   conf + " --no-drop-root --no-chroot --no-rlimits";
        argv.insert(argv.end(), {"unshare", "--mount", "sh", "-c", script});
        process_ = std::make_unique<ChildProcess>(argv, dir_.path() + "/avahi.log");
    }

private:
    TempDir dir_;
    std::unique_ptr<ChildProcess> process_;
};

// What the resolver delivered, collected across its listener threads, as
// lines such as "a 10.77.0.2" (avahi also announces its own host: reverse
// look-ups and the like). The resolver goes first, with its threads.
class Collector {
public:
    Collector() {
        resolver.setQueryRecords({TQueryRecordTypes::qtPTR});
        resolver.setAllowRecursiveQueries(false);
        resolver.setOnResolveRead([this](TMIdDNSResolver&, const TMQueryResult& result, const std::string& from) {
            std::lock_guard lock(mutex_);
            // Each answer comes with where it came from: what decides whether
            // a probe of the address it names may carry credentials.
            seen_.insert("from " + from);
            for (const auto& record : result) {
                const bool ofTheCamera = record->Name.starts_with("Doorstation 7.");
                if (auto* ptr = dynamic_cast<const TMPTRRecord*>(record.get()); ptr && ptr->Name == "_http._tcp.local")
                    seen_.insert("ptr " + ptr->HostName);
                if (auto* txt = dynamic_cast<const TMTextRecord*>(record.get()); txt && ofTheCamera)
                    for (const auto& s : txt->Text) seen_.insert("txt " + s);
                if (auto* srv = dynamic_cast<const TMSRVRecord*>(record.get()); srv && ofTheCamera)
                    seen_.insert("srv " + std::to_string(srv->Port));
                if (auto* a = dynamic_cast<const TMARecord*>(record.get())) seen_.insert("a " + a->IPAddress);
            }
            changed_.notify_all();
        });
    }

    // Resolves every 500 ms until the camera came with all its records.
    bool findTheCamera() {
        const std::set<std::string> expected = {"from 10.77.0.2",   "ptr Doorstation 7._http._tcp.local",
                                                "txt " + kLongPath, "txt width_reduction=2",
                                                "srv 8080",         "a 10.77.0.2"};
        const auto complete = [&] {
            return std::includes(seen_.begin(), seen_.end(), expected.begin(), expected.end());
        };
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        std::unique_lock lock(mutex_);
        while (std::chrono::steady_clock::now() < deadline) {
            lock.unlock();
            resolver.Resolve("_http._tcp.local");
            lock.lock();
            if (changed_.wait_for(lock, 500ms, complete)) return true;
        }
        ADD_FAILURE() << "missing some of the camera's records";
        return false;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> seen_;

public:
    TMIdDNSResolver resolver;
};

class MdnsWithAvahi : public ::testing::Test {
protected:
    static void SetUpTestSuite() { peer_ = std::make_unique<Avahi>(std::getenv("OCULON_PEER_NS"), "oc1", true); }
    static void TearDownTestSuite() { peer_.reset(); }
    static std::unique_ptr<Avahi> peer_;
};
std::unique_ptr<Avahi> MdnsWithAvahi::peer_;

}  // namespace

// Queries leave from port 5353 and the multicast answers are heard.
void findOnPort5353() {
    Collector collector;
    auto& resolver = collector.resolver;
    ASSERT_EQ(resolver.bindings(), (std::vector<std::pair<std::string, std::uint16_t>>{{"10.77.0.1", 5353}}));
    EXPECT_TRUE(resolver.hearsGroup());
    EXPECT_TRUE(collector.findTheCamera());
}

TEST_F(MdnsWithAvahi, FindsTheAnnouncedCameraWithAllItsRecords) { findOnPort5353(); }

TEST_F(MdnsWithAvahi, SharesPort5353WithAResponderOnThisHost) {
    Avahi local("", "oc0", false);
    std::this_thread::sleep_for(2s);  // let it bind its socket first
    findOnPort5353();
}

TEST_F(MdnsWithAvahi, FindsTheCameraByUnicastWhenThePortIsHeldExclusively) {
    // A socket without address reuse keeps everyone else off port 5353.
    const oculon::platform::UniqueFd holder(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(5353);
    ASSERT_EQ(::bind(holder.get(), reinterpret_cast<sockaddr*>(&any), sizeof any), 0);

    Collector collector;
    auto& resolver = collector.resolver;
    ASSERT_EQ(resolver.bindings().size(), 1u);
    EXPECT_NE(resolver.bindings().front().second, 5353);
    EXPECT_FALSE(resolver.hearsGroup());
    // The answers to a query from another port come by unicast, question first.
    EXPECT_TRUE(collector.findTheCamera());
}

int main(int argc, char** argv) { return oculon::testsupport::runWithPeerHost(argc, argv); }
