// The runner that every network test goes through: it must give a private
// namespace with loopback and the veth pair, and no way out.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>
#include <string>

TEST(NetnsRunner, OnlyLoopbackAndThePrivatePairExist) {
    ifaddrs* list = nullptr;
    ASSERT_EQ(getifaddrs(&list), 0);
    std::set<std::string> names;
    std::set<std::string> v4;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        names.insert(a->ifa_name);
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET) {
            char buf[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, buf, sizeof buf);
            v4.insert(buf);
        }
    }
    freeifaddrs(list);
    EXPECT_EQ(names, (std::set<std::string>{"lo", "oc0", "oc1"}));
    EXPECT_TRUE(v4.count("127.0.0.1"));
    EXPECT_TRUE(v4.count("10.77.0.1"));
    EXPECT_TRUE(v4.count("10.77.0.2"));
}

TEST(NetnsRunner, NothingRoutesBeyondThePrivateNetwork) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    inet_pton(AF_INET, "192.0.2.1", &to.sin_addr);  // documentation address: must be unreachable
    EXPECT_NE(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    close(s);
}
