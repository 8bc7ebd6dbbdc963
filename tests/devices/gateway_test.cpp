// Gateway objects and the gateway thread over a scripted stand-in of the
// library's entry points, and the loading of the library image itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "devices/NeciResource.h"
#include "devices/moxaGWSuche.h"
#include "platform/MainLoop.h"
#include "platform/PrivateFiles.h"
#include "platform/UserNotice.h"
#include "support/ChildProcess.h"

using namespace oculon::devices;
using namespace oculon::platform;
using oculon::testsupport::TempDir;
using namespace std::chrono_literals;

namespace {

// What the scripted entry points answer. The entry points are plain C
// functions, so they reach it as a global.
struct FakeGateway {
    DS_INFO info{};
    std::string name{};
    bool dhcp = false;
    std::uint32_t netmask = 0, gateway = 0;
    std::string password{};
    bool answers = true;
    int saves = 0;
    int attaches = 0;  // the requests that reached it
};

struct Fake {
    std::mutex mutex;
    std::vector<FakeGateway> gateways;
    std::map<int, std::size_t> handles;  // handle -> gateway index
    std::set<int> loggedIn;
    int nextHandle = 1;
    std::chrono::milliseconds silentAttach{0};  // how long an unanswered attach waits
} fake;

DS_INFO record(std::uint32_t apid, const std::string& address, std::uint8_t macEnd) {
    DS_INFO info{};
    info.apid = apid;
    info.pseudo_ip_addr = *strToIp(address);
    info.real_ip_addr = info.pseudo_ip_addr;
    info.mac[5] = macEnd;
    return info;
}

// Runs `f` on the gateway of `handle`: 0 without one, or, for setters, before
// a login or for an interface other than 7.
template <typename F>
int onGateway(int handle, F f, bool setter = false, int ifid = 7) {
    std::lock_guard lock(fake.mutex);
    const auto it = fake.handles.find(handle);
    if (it == fake.handles.end() || (setter && (!fake.loggedIn.count(handle) || ifid != 7))) return 0;
    f(fake.gateways[it->second]);
    return 1;
}

// A setter's run of `f`, on interface `ifid`.
template <typename F>
int setOn(int handle, int ifid, F f) {
    return onGateway(handle, f, true, ifid);
}

std::shared_ptr<const NeciApi> fakeApi() {
    auto api = std::make_shared<NeciApi>();
    api->EnumSearch = [](int, DSC_SEARCH_CALLBACK callback) {
        std::vector<DS_INFO> infos;
        {
            std::lock_guard lock(fake.mutex);
            for (const auto& g : fake.gateways) infos.push_back(g.info);
        }
        for (auto& info : infos) callback(&info);
        return 1;
    };
    api->Attach = [](const DS_INFO* info, int* handle) {
        std::unique_lock lock(fake.mutex);
        for (std::size_t i = 0; i < fake.gateways.size(); ++i) {
            if (std::memcmp(fake.gateways[i].info.mac, info->mac, 6) != 0) continue;
            if (++fake.gateways[i].attaches, !fake.gateways[i].answers) continue;
            *handle = fake.nextHandle++;
            fake.handles[*handle] = i;
            return 1;
        }
        const auto wait = fake.silentAttach;
        lock.unlock();
        std::this_thread::sleep_for(wait);
        return 0;
    };
    api->Detach = [](int handle) {
        std::lock_guard lock(fake.mutex);
        return static_cast<int>(fake.handles.erase(handle));
    };
    api->Login = [](int handle, const char* password) {
        bool right = false;
        onGateway(handle, [&](FakeGateway& g) { right = g.password == password; });
        std::lock_guard lock(fake.mutex);
        if (right) fake.loggedIn.insert(handle);
        return static_cast<int>(right);
    };
    api->Logout = [](int handle) {
        std::lock_guard lock(fake.mutex);
        return static_cast<int>(fake.loggedIn.erase(handle));
    };
    api->GetName = [](int handle, char* name) {
        return onGateway(handle, [&](FakeGateway& g) { std::snprintf(name, NECI_NAME_SIZE, "%s", g.name.c_str()); });
    };
    api->GetIPConfig = [](int handle, int, int* mode) {
        return onGateway(handle, [&](FakeGateway& g) { *mode = g.dhcp; });
    };
    api->GetIfConfig = [](int handle, int, int* count, IFCONFIGINFO* info) {
        return onGateway(handle, [&](FakeGateway& g) {
            *count = 1;
            info->ifid = 7;
            info->netmask = g.netmask;
            info->gateway = g.gateway;
        });
    };
    api->GetKernelInfo = [](int handle, KERNELINFO* info) {
        return onGateway(handle, [&](FakeGateway& g) {
            info->firm_version = 0x0207;
            info->flag = g.password.empty() ? 0 : 1;
        });
    };
    api->SetNetmask = [](int handle, int ifid, std::uint32_t mask) {
        return setOn(handle, ifid, [&](FakeGateway& g) { g.netmask = mask; });
    };
    api->SetName = [](int h, const char* name) { return setOn(h, 7, [&](FakeGateway& g) { g.name = name; }); };
    api->SetPassword = [](int h, const char* pw) { return setOn(h, 7, [&](FakeGateway& g) { g.password = pw; }); };
    api->SaveAndRestart = [](int h) { return setOn(h, 7, [](FakeGateway& g) { ++g.saves; }); };
    return api;
}

// "<address> <name> <netmask> <gateway> dhcp|fixed"
std::string described(const TGatewayObject& g) {
    return g.IPAddress() + " " + g.name() + " " + g.netmask() + " " + g.gateway() + (g.dhcp() ? " dhcp" : " fixed");
}

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(fake.mutex);
        fake.gateways.clear();
        fake.handles.clear();
        fake.loggedIn.clear();
        fake.silentAttach = 0ms;
    }
    void add(FakeGateway g) {
        std::lock_guard lock(fake.mutex);
        fake.gateways.push_back(std::move(g));
    }
    // The list after `rounds` searches of the gateway thread.
    TGatewayList searched(int rounds) {
        ManualLoopBackend loop;
        int posted = 0;
        MessageTarget target([&](Message& m) { posted += m.id == 1028; });
        moxaThread thread(target.id(), fakeApi(), 10ms);
        thread.Start();
        EXPECT_TRUE(loop.pumpUntil([&] { return posted >= rounds; }, 5s));
        thread.Terminate();
        EXPECT_TRUE(thread.WaitFor(2s));
        return thread.gateways();
    }
    TGatewayObject read(const DS_INFO& info) {
        TGatewayObject gateway(fakeApi(), info);
        gateway.getName();
        gateway.getIFConfig();
        gateway.getIpConfig();
        gateway.getKrnlInfo();
        return gateway;
    }
};

}  // namespace

TEST(GatewayAddresses, LowestByteIsTheFirstOctet) {
    EXPECT_EQ(ipToStr(192u | 168u << 8 | 1u << 16 | 10u << 24), "192.168.1.10");
    EXPECT_EQ(strToIp("192.168.1.10"), 192u | 168u << 8 | 1u << 16 | 10u << 24);
    EXPECT_EQ(ipToStr(*strToIp("255.0.7.1")), "255.0.7.1");
    for (const char* bad : {"192.168.1", "192.168.1.256", ""}) EXPECT_FALSE(strToIp(bad)) << bad;
}

TEST_F(GatewayTest, SearchListsOnlyOurGatewaysSortedAsTextAndPosts1028) {
    add({.info = record(256, "192.168.1.9", 1),
         .name = "Nine",
         .netmask = *strToIp("255.255.255.0"),
         .gateway = *strToIp("192.168.1.1")});
    add({.info = record(300, "192.168.1.5", 2), .name = "Foreign"});
    add({.info = record(256, "192.168.1.10", 3), .name = "Ten", .dhcp = true});

    const TGatewayList list = searched(2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(described(list[0]), "192.168.1.10 Ten 0.0.0.0 0.0.0.0 dhcp");
    EXPECT_EQ(described(list[1]), "192.168.1.9 Nine 255.255.255.0 192.168.1.1 fixed");
    EXPECT_EQ(list[1].firmware(), 0x0207u);
}

// An unanswered request costs seconds: a silent gateway is asked once per
// round; one that answered before keeps what it showed.
TEST_F(GatewayTest, ASilentGatewayIsAskedOncePerRoundAndKeepsWhatItShowed) {
    add({.info = record(256, "192.168.1.9", 1), .name = "Nine"});
    add({.info = record(256, "192.168.1.5", 2), .name = "Late", .answers = false});
    ManualLoopBackend loop;
    int posted = 0;
    MessageTarget target([&](Message& m) { posted += m.id == 1028; });
    moxaThread thread(target.id(), fakeApi(), 10ms);
    thread.Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return posted >= 1; }, 5s));
    std::unique_lock silenced(fake.mutex);
    fake.gateways[0].answers = false;
    silenced.unlock();
    ASSERT_TRUE(loop.pumpUntil([&] { return posted >= 5; }, 5s));
    thread.Terminate();
    ASSERT_TRUE(thread.WaitFor(2s));
    const TGatewayList list = thread.gateways();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_FALSE(list[0].answered());
    EXPECT_EQ(described(list[1]), "192.168.1.9 Nine 0.0.0.0 0.0.0.0 fixed");
    silenced.lock();
    EXPECT_LE(fake.gateways[1].attaches, posted + 1);  // one more in the round it ended in
}

// A device that answers each search with invented hardware addresses and
// never answers the reads: what the search heard is listed at once, a
// round's reads stop at their budget, and a new gateway behind them is read
// within a few rounds, as those that stayed silent are asked last.
TEST_F(GatewayTest, InventedGatewaysHoldNoRoundLongerThanItsReadBudget) {
    fake.silentAttach = 400ms;
    for (std::uint8_t i = 0; i < 12; ++i)
        add({.info = record(256, "10.0.0." + std::to_string(20 + i), static_cast<std::uint8_t>(100 + i)),
             .answers = false});
    add({.info = record(256, "10.0.0.9", 1), .name = "Real"});
    ManualLoopBackend loop;
    std::vector<std::chrono::steady_clock::time_point> posts;
    MessageTarget target([&](Message& m) {
        if (m.id == 1028) posts.push_back(std::chrono::steady_clock::now());
    });
    moxaThread thread(target.id(), fakeApi(), 10ms);
    const auto begun = std::chrono::steady_clock::now();
    thread.Start();
    while (thread.gateways().size() < 13 && std::chrono::steady_clock::now() - begun < 5s)
        std::this_thread::sleep_for(1ms);
    // Known as the search heard it, long before the first round's reads end.
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 300ms);
    const auto named = [&] {
        const TGatewayList list = thread.gateways();
        return std::any_of(list.begin(), list.end(), [](const TGatewayObject& g) { return g.name() == "Real"; });
    };
    ASSERT_TRUE(loop.pumpUntil(named, 20s));
    thread.Terminate();
    ASSERT_TRUE(thread.WaitFor(2s));
    // Each round's reads took the budget and one unanswered attach at most.
    ASSERT_FALSE(posts.empty());
    EXPECT_LT(posts[0] - begun, moxaThread::kReadBudget + 600ms);
    for (std::size_t i = 1; i < posts.size(); ++i)
        EXPECT_LT(posts[i] - posts[i - 1], moxaThread::kReadBudget + 600ms) << "round " << i;
    EXPECT_LE(posts.size(), 6u) << "read within a few rounds";
}

TEST_F(GatewayTest, ReadingTheListNeverWaitsForASlowGateway) {
    // A search that takes long: the main thread must still get the last list
    // at once.
    auto api = std::make_shared<NeciApi>();
    static std::atomic<bool> release{false};
    api->EnumSearch = [](int, DSC_SEARCH_CALLBACK cb) {
        DS_INFO info = record(256, "10.0.0.1", 1);
        cb(&info);
        return 1;
    };
    api->Attach = [](const DS_INFO*, int* handle) {
        *handle = 1;
        return 1;
    };
    api->Detach = [](int) { return 1; };
    api->GetName = [](int, char* name) {
        while (!release) std::this_thread::sleep_for(1ms);
        std::strcpy(name, "Slow");
        return 1;
    };
    moxaThread thread(0, api, 10ms);
    thread.Start();
    std::this_thread::sleep_for(50ms);  // the thread is inside GetName now
    const auto started = std::chrono::steady_clock::now();
    // What the search heard is listed before any read is answered.
    const TGatewayList heard = thread.gateways();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20ms);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_TRUE(!heard[0].answered() && heard[0].hardwareAddress() == "00:00:00:00:00:01");
    release = true;
    thread.Terminate();
    EXPECT_TRUE(thread.WaitFor(2s));
}

// Wrong passwords and each setter over the real protocol are the network
// test's; here what the library answers decides.
TEST_F(GatewayTest, SettersKeepValuesOnlyWhenStoredAndAGatewayGoneSilentKeepsThem) {
    add({.info = record(256, "10.0.0.2", 1),
         .name = "Hall",
         .dhcp = true,
         .netmask = *strToIp("255.255.0.0"),
         .password = "secret"});
    // made from its record, it reads its name itself
    EXPECT_EQ(TGatewayObject(fakeApi(), record(256, "10.0.0.2", 1)).name(), "Hall");
    TGatewayObject gateway = read(record(256, "10.0.0.2", 1));
    ASSERT_TRUE(gateway.needPass());
    gateway.Password("secret");
    EXPECT_TRUE(gateway.setName("Porch"));
    EXPECT_EQ(gateway.name() + " " + fake.gateways[0].name + " " + std::to_string(fake.gateways[0].saves),
              "Porch Porch 1");

    // The interface id read by getIFConfig goes with address setters; a
    // text that is no address never reaches the library.
    EXPECT_TRUE(gateway.setNetmask("255.255.255.0"));
    EXPECT_EQ(fake.gateways[0].netmask, *strToIp("255.255.255.0"));
    EXPECT_FALSE(gateway.setNetmask("255.255.255"));
    // An entry point the library lacks fails cleanly.
    EXPECT_FALSE(gateway.setIP("10.0.0.3"));
    EXPECT_EQ(described(gateway), "10.0.0.2 Porch 255.255.255.0 0.0.0.0 dhcp");
    EXPECT_TRUE(gateway.setPassword(""));
    EXPECT_FALSE(gateway.needPass());
    EXPECT_EQ(fake.gateways[0].saves, 3);
    EXPECT_TRUE(fake.loggedIn.empty()) << "every login ends in a logout";
    EXPECT_TRUE(fake.handles.empty()) << "every attachment ends in a detach";

    {
        std::lock_guard lock(fake.mutex);
        fake.gateways[0].answers = false;
    }
    EXPECT_FALSE(gateway.getName() || gateway.getIFConfig() || gateway.getIpConfig());
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::silent);  // not a wrong password
    EXPECT_FALSE(gateway.setName("Gate"));
    EXPECT_EQ(described(gateway), "10.0.0.2 Porch 255.255.255.0 0.0.0.0 dhcp");
}

// Two devices answer with one hardware address: both are listed and named,
// and neither is logged in to or given anything until one alone answers.
TEST_F(GatewayTest, AHardwareAddressClaimedFromTwoAddressesIsGivenNothing) {
    add({.info = record(256, "10.0.0.4", 1), .name = "Door", .password = "secret"});
    add({.info = record(256, "10.0.0.5", 1), .name = "Door", .password = "strangers"});
    add({.info = record(256, "10.0.0.6", 2), .name = "Yard"});
    const TGatewayList list = searched(1);
    ASSERT_EQ(list.size(), 3u);
    const std::vector<std::string> both{"10.0.0.4", "10.0.0.5"}, none;
    for (const TGatewayObject& g : list) {
        SCOPED_TRACE(g.IPAddress());
        EXPECT_EQ(g.claimedFrom(), g.name() == "Door" ? both : none);
    }
    EXPECT_EQ(list[0].hardwareAddress(), "00:00:00:00:00:01");

    TGatewayObject gateway = list[0];
    gateway.Password("secret");
    int reached = 0;
    {
        std::lock_guard lock(fake.mutex);
        for (const FakeGateway& g : fake.gateways) reached += g.attaches;
    }
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::disputed);
    const GatewayOutcome outcome = gateway.change({.name = "Porch"});
    EXPECT_TRUE(outcome.disputed && !outcome.silent && !outcome.taken());
    EXPECT_EQ(outcome.notTaken.name, "Porch");
    {
        std::lock_guard lock(fake.mutex);
        for (const FakeGateway& g : fake.gateways) reached -= g.attaches;
        fake.gateways.erase(fake.gateways.begin() + 1);  // the stranger leaves
    }
    EXPECT_EQ(reached, 0) << "nothing went to either";
    // One address alone answers again: the gateway is found there.
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::accepted);
    EXPECT_FALSE(gateway.disputed());
}

// The names bound that a library exports; the built one exports them all.
std::set<std::string> boundNames(const NeciApi& api) {
    std::set<std::string> names;
#define NECI_NOTE_BOUND(name) \
    if (api.name) names.insert("dsc_" #name);
    NECI_CALLED_ENTRY_POINTS(NECI_NOTE_BOUND)
    NECI_UNCALLED_ENTRY_POINTS(NECI_NOTE_BOUND)
#undef NECI_NOTE_BOUND
    return names;
}

TEST(GatewayLibrary, EveryEntryPointIsBoundAndAMissingOneStaysEmpty) {
    TempDir dir;
    const auto built = NeciLibrary::load(dir.path() + "/built/NECI_SDK.dll", neciResource());
    const auto bound = boundNames(*built);
    EXPECT_EQ(bound.size(), 16u + 61u);
    EXPECT_TRUE(bound.count("dsc_Locate") && bound.count("dsc_SetSearchOpt") && bound.count("dsc_Get_TimeZone_Index"));
    // what our gateways do not offer is refused, never taken as done
    EXPECT_EQ(built->Restart(0, nullptr), 0);
    EXPECT_EQ(built->GetIP(0, nullptr), 0);

    // Another make's library with a few of them loads all the same.
    std::ifstream in(NECI_PARTIAL_LIBRARY, std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(image.empty());
    const auto partial = NeciLibrary::load(dir.path() + "/partial/NECI_SDK.dll", image);
    ASSERT_TRUE(partial->library);
    EXPECT_EQ(boundNames(*partial),
              (std::set<std::string>{"dsc_Attach", "dsc_EnumSearch", "dsc_Locate", "dsc_SetSearchOpt"}));
    // a gateway found through it has no name to read, and its settings stay
    DS_INFO info{};
    info.apid = kGatewayApplication;
    TGatewayObject gateway(partial, info);
    gateway.getIFConfig();
    EXPECT_EQ(gateway.name(), "");
    EXPECT_FALSE(gateway.setName("Gate"));
}

// Its entry points are used in the network test.
TEST(GatewayLibrary, WrittenFromTheResourceWhenMissingAndUsedOnlyWhenOursAlone) {
    TempDir dir;
    const std::string path = dir.path() + "/NECI_SDK.dll";
    {
        const auto api = NeciLibrary::load(path, neciResource());
        ASSERT_TRUE(api->library);
        EXPECT_EQ(std::filesystem::file_size(path), neciResource().size());
        EXPECT_EQ(api->EnumSearch(0, nullptr), 0);
        EXPECT_EQ(api->Attach(nullptr, nullptr), 0);
    }
    EXPECT_EQ(NeciLibrary::defaultPath(), privateTempFolder() + "/NECI_SDK.dll");

    // Present already: not rewritten, even when it is no library.
    std::filesystem::remove(path);
    dir.write("NECI_SDK.dll", "not a library");
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(NeciLibrary::load(path, neciResource())->EnumSearch, nullptr);
    EXPECT_EQ(std::filesystem::file_size(path), 13u);

    // Anyone may change it: refused though it is the right image.
    std::filesystem::remove(path);
    { std::ofstream(path, std::ios::binary) << neciResource(); }
    ::chmod(path.c_str(), 0666);
    EXPECT_FALSE(NeciLibrary::load(path, neciResource())->library);
    ::chmod(path.c_str(), 0700);
    EXPECT_TRUE(NeciLibrary::load(path, neciResource())->library);

    // A folder that cannot be made: the library stays unloaded.
    EXPECT_FALSE(NeciLibrary::load("/proc/no-such-folder/NECI_SDK.dll", neciResource())->library);

    // A folder another user made in the shared temp folder is not used, and
    // the user is told.
    if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user needs root";
    oculon::testsupport::ScopedEnv tmp("TMPDIR", dir.path());
    ASSERT_EQ(::mkdir(privateTempFolder().c_str(), 0777), 0);
    ASSERT_EQ(::chown(privateTempFolder().c_str(), oculon::testsupport::kNobody, oculon::testsupport::kNobody), 0);
    std::vector<Notice> told;
    setNoticeShower([&told](Notice notice, const std::string&) { told.push_back(notice); });
    EXPECT_FALSE(NeciLibrary::load()->library);
    setNoticeShower({});
    EXPECT_EQ(told, std::vector<Notice>{Notice::gatewayLibraryRefused});
    EXPECT_FALSE(std::filesystem::exists(NeciLibrary::defaultPath()));
}
