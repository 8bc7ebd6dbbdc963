// Which camera a multicast-DNS answer announces: the record prefix chosen
// from the PTR and TXT records, the address and host name of the first A
// record, and the stream details of the maker's own cameras.
#include <gtest/gtest.h>

#include "devices/MDNSAnnouncement.h"

using namespace oculon::devices;

namespace {

class Answer {
public:
    Answer& ptr(const std::string& service, const std::string& instance) {
        return add<TMPTRRecord>(service, [&](auto& r) { r.HostName = instance + "." + service; });
    }
    Answer& txt(const std::string& owner, std::vector<std::string> text) {
        return add<TMTextRecord>(
            owner, [&](auto& r) { r.Text = std::move(text); }, TQueryRecordTypes::qtTXT);
    }
    Answer& hinfo(const std::string& owner, std::vector<std::string> text) {
        return add<TMHINFORecord>(
            owner, [&](auto& r) { r.Text = std::move(text); }, TQueryRecordTypes::qtHINFO);
    }
    Answer& a(const std::string& owner, const std::string& address) {
        return add<TMARecord>(owner, [&](auto& r) { r.IPAddress = address; });
    }
    std::optional<MDNSAnnouncement> read() const { return readAnnouncement(result_); }

private:
    template <typename Record, typename Fill>
    Answer& add(const std::string& owner, Fill fill, std::optional<TQueryRecordTypes> type = std::nullopt) {
        auto r = std::make_unique<Record>();
        r->Name = owner;
        if (type) r->RecType = *type;
        fill(*r);
        result_.Add(std::move(r));
        return *this;
    }

    TMQueryResult result_;
};

std::string prefixOf(const Answer& answer) {
    const auto found = answer.read();
    return found ? found->prefix : "none";
}

}  // namespace

TEST(MdnsAnnouncement, PrefixFromTheServiceTypes) {
    EXPECT_EQ(prefixOf(Answer().ptr("_axis-video._tcp.local", "AXIS M1054").a("axis.local", "10.0.0.5")), "AXIS_");
    EXPECT_EQ(prefixOf(Answer().ptr("_axis-video._tcp.local", "Doorstation 1").a("d.local", "10.0.0.5")), "KORVA");
    // A door station behind an Axis record already seen stays Axis.
    EXPECT_EQ(prefixOf(Answer()
                           .ptr("_axis-video._tcp.local", "AXIS M1054")
                           .ptr("_axis-video._tcp.local", "Doorstation 1")
                           .a("d.local", "10.0.0.5")),
              "AXIS_");
    EXPECT_EQ(prefixOf(Answer().ptr("_http._tcp.local", "Doorstation 1").a("d.local", "10.0.0.5")), "AXIS_");
    EXPECT_EQ(prefixOf(Answer().ptr("_http._tcp.local", "Printer").a("p.local", "10.0.0.5")), "none");
    EXPECT_EQ(prefixOf(Answer().ptr("_korvat-video._tcp.local", "Cam").a("c.local", "10.0.0.5")), "MIRAB");
    // The Mobotix name key wins over everything else.
    EXPECT_EQ(prefixOf(Answer()
                           .ptr("_axis-video._tcp.local", "AXIS M1054")
                           .txt("x._axis-video._tcp.local", {"com.mobotix.fullname=Hof"})
                           .a("m.local", "10.0.0.5")),
              "MOBOT");
    EXPECT_EQ(prefixOf(Answer().txt("x._http._tcp.local", {"com.mobotix.fullnameX=Hof"}).a("m.local", "10.0.0.5")),
              "none");
    // Host information holds text strings too, but announces nothing.
    EXPECT_EQ(prefixOf(Answer().hinfo("x._http._tcp.local", {"com.mobotix.fullname=Hof", "x"}).a("m.local", "1.0.0.5")),
              "none");
    // Without an address nothing can be probed.
    EXPECT_EQ(prefixOf(Answer().ptr("_axis-video._tcp.local", "AXIS M1054")), "none");
}

TEST(MdnsAnnouncement, AddressHostNameAndStreamDetails) {
    const std::string longPath = "/stream/" + std::string(120, 's') + ".mjpg";
    const auto found = Answer()
                           .ptr("_korvat-video._tcp.local", "Cam")
                           .txt("Cam._korvat-video._tcp.local", {"mjpg=" + longPath, "width_reduction=50", "x=1"})
                           .txt("Other._http._tcp.local", {"mjpg=/not/ours"})
                           .a("cam-7.local", "10.0.0.7")
                           .a("cam-8.local", "10.0.0.8")
                           .read();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->prefix + " " + found->address + " " + found->hostName + " " + found->path,
              "MIRAB 10.0.0.7 cam-7 " + longPath);
    EXPECT_EQ(found->reduction, 50);

    const auto bad = Answer()
                         .ptr("_korvat-video._tcp.local", "Cam")
                         .txt("Cam._korvat-video._tcp.local", {"width_reduction=5x"})
                         .a("cam", "10.0.0.7")
                         .read();
    ASSERT_TRUE(bad);
    EXPECT_TRUE(bad->reduction == 0 && bad->hostName == "cam");
}
