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
};

struct Fake {
    std::mutex mutex;
    std::vector<FakeGateway> gateways;
    std::map<int, std::size_t> handles;  // handle -> gateway index
    std::map<int, bool> loggedIn;
    int nextHandle = 1;
    std::atomic<int> searches{0};

    FakeGateway* of(int handle) {
        const auto it = handles.find(handle);
        return it == handles.end() ? nullptr : &gateways[it->second];
    }
} fake;

DS_INFO record(std::uint32_t apid, const std::string& address, std::uint8_t macEnd) {
    DS_INFO info{};
    info.apid = apid;
    info.pseudo_ip_addr = *strToIp(address);
    info.real_ip_addr = info.pseudo_ip_addr;
    info.mac[5] = macEnd;
    return info;
}

int fakeSearch(int, DSC_SEARCH_CALLBACK callback) {
    std::vector<DS_INFO> infos;
    {
        std::lock_guard lock(fake.mutex);
        for (const auto& g : fake.gateways) infos.push_back(g.info);
    }
    ++fake.searches;
    for (auto& info : infos) callback(&info);
    return 1;
}

int fakeAttach(const DS_INFO* info, int* handle) {
    std::lock_guard lock(fake.mutex);
    for (std::size_t i = 0; i < fake.gateways.size(); ++i) {
        const auto& g = fake.gateways[i];
        if (std::memcmp(g.info.mac, info->mac, 6) != 0) continue;
        if (!g.answers) return 0;
        *handle = fake.nextHandle++;
        fake.handles[*handle] = i;
        return 1;
    }
    return 0;
}

int fakeDetach(int handle) {
    std::lock_guard lock(fake.mutex);
    fake.handles.erase(handle);
    return 1;
}

int fakeLogin(int handle, const char* password) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g || g->password != password) return 0;
    fake.loggedIn[handle] = true;
    return 1;
}

int fakeLogout(int handle) {
    std::lock_guard lock(fake.mutex);
    fake.loggedIn.erase(handle);
    return 1;
}

int fakeGetName(int handle, char* name) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g) return 0;
    std::snprintf(name, NECI_NAME_SIZE, "%s", g->name.c_str());
    return 1;
}

int fakeGetIPConfig(int handle, int, int* mode) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g) return 0;
    *mode = g->dhcp;
    return 1;
}

int fakeGetIfConfig(int handle, int, int* count, IFCONFIGINFO* info) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g) return 0;
    *count = 1;
    info->ifid = 7;
    info->netmask = g->netmask;
    info->gateway = g->gateway;
    return 1;
}

int fakeGetKernelInfo(int handle, KERNELINFO* info) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g) return 0;
    info->firm_version = 0x0207;
    info->flag = g->password.empty() ? 0 : 1;
    return 1;
}

// Setters succeed only after a login and for interface 7.
template <typename Apply>
int fakeSet(int handle, int ifid, Apply apply) {
    std::lock_guard lock(fake.mutex);
    auto* g = fake.of(handle);
    if (!g || !fake.loggedIn.count(handle) || ifid != 7) return 0;
    apply(*g);
    return 1;
}

int fakeSetNetmask(int handle, int ifid, std::uint32_t mask) {
    return fakeSet(handle, ifid, [&](FakeGateway& g) { g.netmask = mask; });
}
int fakeSetName(int handle, const char* name) {
    return fakeSet(handle, 7, [&](FakeGateway& g) { g.name = name; });
}
int fakeSetPassword(int handle, const char* password) {
    return fakeSet(handle, 7, [&](FakeGateway& g) { g.password = password; });
}
int fakeSaveAndRestart(int handle) {
    return fakeSet(handle, 7, [](FakeGateway& g) { ++g.saves; });
}

std::shared_ptr<const NeciApi> fakeApi() {
    auto api = std::make_shared<NeciApi>();
    api->EnumSearch = fakeSearch;
    api->Attach = fakeAttach;
    api->Detach = fakeDetach;
    api->Login = fakeLogin;
    api->Logout = fakeLogout;
    api->GetName = fakeGetName;
    api->GetIPConfig = fakeGetIPConfig;
    api->GetIfConfig = fakeGetIfConfig;
    api->GetKernelInfo = fakeGetKernelInfo;
    api->SetNetmask = fakeSetNetmask;
    api->SetName = fakeSetName;
    api->SetPassword = fakeSetPassword;
    api->SaveAndRestart = fakeSaveAndRestart;
    return api;
}

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(fake.mutex);
        fake.gateways.clear();
        fake.handles.clear();
        fake.loggedIn.clear();
    }
    void add(FakeGateway g) {
        std::lock_guard lock(fake.mutex);
        fake.gateways.push_back(std::move(g));
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
    EXPECT_FALSE(strToIp("192.168.1"));
    EXPECT_FALSE(strToIp("192.168.1.256"));
    EXPECT_FALSE(strToIp(""));
}

TEST_F(GatewayTest, SearchListsOnlyOurGatewaysSortedAsTextAndPosts1028) {
    add({.info = record(256, "192.168.1.9", 1),
         .name = "Nine",
         .netmask = *strToIp("255.255.255.0"),
         .gateway = *strToIp("192.168.1.1")});
    add({.info = record(300, "192.168.1.5", 2), .name = "Foreign"});
    add({.info = record(256, "192.168.1.10", 3), .name = "Ten", .dhcp = true});

    ManualLoopBackend loop;
    int posted = 0;
    MessageTarget target([&](Message& m) { posted += m.id == 1028; });
    moxaThread thread(target.id(), fakeApi(), 50ms);
    thread.Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return posted >= 2; }, 5s));
    const TGatewayList list = thread.gateways();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].IPAddress(), "192.168.1.10");
    EXPECT_EQ(list[0].name(), "Ten");
    EXPECT_TRUE(list[0].dhcp());
    EXPECT_EQ(list[1].IPAddress(), "192.168.1.9");
    EXPECT_EQ(list[1].name(), "Nine");
    EXPECT_EQ(list[1].netmask(), "255.255.255.0");
    EXPECT_EQ(list[1].gateway(), "192.168.1.1");
    EXPECT_FALSE(list[1].dhcp());
    EXPECT_EQ(list[1].firmware(), 0x0207u);
    thread.Terminate();
    EXPECT_TRUE(thread.WaitFor(2s));
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
    EXPECT_TRUE(thread.gateways().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20ms);
    release = true;
    thread.Terminate();
    EXPECT_TRUE(thread.WaitFor(2s));
}

TEST_F(GatewayTest, SettersLogInAndKeepValuesOnlyWhenStored) {
    add({.info = record(256, "10.0.0.2", 1), .name = "Hall", .netmask = *strToIp("255.255.0.0"), .password = "secret"});
    TGatewayObject gateway = read(record(256, "10.0.0.2", 1));
    ASSERT_TRUE(gateway.needPass());

    // Wrong password: nothing changes, here or on the gateway.
    gateway.Password("wrong");
    EXPECT_FALSE(gateway.checkPass());
    EXPECT_FALSE(gateway.setName("Porch"));
    EXPECT_EQ(gateway.name(), "Hall");
    EXPECT_EQ(fake.gateways[0].name, "Hall");

    gateway.Password("secret");
    EXPECT_TRUE(gateway.checkPass());
    EXPECT_TRUE(gateway.setName("Porch"));
    EXPECT_EQ(gateway.name(), "Porch");
    EXPECT_EQ(fake.gateways[0].name, "Porch");
    EXPECT_EQ(fake.gateways[0].saves, 1);

    // The interface id read by getIFConfig goes with address setters; a
    // text that is no address never reaches the library.
    EXPECT_TRUE(gateway.setNetmask("255.255.255.0"));
    EXPECT_EQ(gateway.netmask(), "255.255.255.0");
    EXPECT_EQ(fake.gateways[0].netmask, *strToIp("255.255.255.0"));
    EXPECT_FALSE(gateway.setNetmask("255.255.255"));
    EXPECT_EQ(gateway.netmask(), "255.255.255.0");
    // An entry point the library lacks fails cleanly.
    EXPECT_FALSE(gateway.setIP("10.0.0.3"));
    EXPECT_EQ(gateway.IPAddress(), "10.0.0.2");

    EXPECT_TRUE(gateway.setPassword(""));
    EXPECT_FALSE(gateway.needPass());
    EXPECT_EQ(fake.gateways[0].password, "");
    EXPECT_EQ(fake.gateways[0].saves, 3);
    EXPECT_TRUE(fake.loggedIn.empty()) << "every login ends in a logout";
    EXPECT_TRUE(fake.handles.empty()) << "every attachment ends in a detach";
}

TEST_F(GatewayTest, AGatewayThatStopsAnsweringKeepsItsValues) {
    add({.info = record(256, "10.0.0.4", 1), .name = "Yard", .dhcp = true, .netmask = *strToIp("255.0.0.0")});
    TGatewayObject gateway = read(record(256, "10.0.0.4", 1));
    {
        std::lock_guard lock(fake.mutex);
        fake.gateways[0].answers = false;
    }
    gateway.getName();
    gateway.getIFConfig();
    gateway.getIpConfig();
    EXPECT_EQ(gateway.name(), "Yard");
    EXPECT_EQ(gateway.netmask(), "255.0.0.0");
    EXPECT_TRUE(gateway.dhcp());
    EXPECT_FALSE(gateway.setName("Gate"));
    EXPECT_EQ(gateway.name(), "Yard");
}

TEST(GatewayLibrary, WrittenFromTheResourceLoadedAndBound) {
    TempDir dir;
    const std::string path = dir.path() + "/NECI_SDK.dll";
    const auto api = NeciLibrary::load(path, neciResource());
    ASSERT_TRUE(api->library);
    for (const void* entry :
         {(void*)api->EnumSearch, (void*)api->Attach, (void*)api->Detach, (void*)api->Login, (void*)api->Logout,
          (void*)api->GetName, (void*)api->GetIPConfig, (void*)api->GetIfConfig, (void*)api->GetKernelInfo,
          (void*)api->SetIP, (void*)api->SetNetmask, (void*)api->SetGateway, (void*)api->SetIPConfig,
          (void*)api->SetName, (void*)api->SetPassword, (void*)api->SaveAndRestart})
        EXPECT_NE(entry, nullptr);
    EXPECT_EQ(std::filesystem::file_size(path), neciResource().size());
    EXPECT_EQ(api->EnumSearch(0, nullptr), 0);
    EXPECT_EQ(api->Attach(nullptr, nullptr), 0);
    EXPECT_EQ(NeciLibrary::defaultPath(), privateTempFolder() + "/NECI_SDK.dll");
}

TEST(GatewayLibrary, AnExistingFileIsUsedOnlyWhenItIsOursAlone) {
    TempDir dir;
    const std::string path = dir.path() + "/NECI_SDK.dll";
    // Present already: not rewritten, even when it is no library.
    dir.write("NECI_SDK.dll", "not a library");
    ::chmod(path.c_str(), 0600);
    auto api = NeciLibrary::load(path, neciResource());
    EXPECT_FALSE(api->library);
    EXPECT_EQ(api->EnumSearch, nullptr);
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
