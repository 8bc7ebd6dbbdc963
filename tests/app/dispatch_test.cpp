// The door-call dispatch with fake windows: which station calls, which
// window shows it, when further popups open and where, Pause, the wall, the
// gateway calls and the manual "Show video".

#include <gtest/gtest.h>

#include <functional>
#include <list>

#include "../video/TestPictures.h"
#include "DispatchFakes.h"
#include "app/CallDispatch.h"
#include "app/MessageHub.h"
#include "config/RebootSperre.h"
#include "devices/TelefonTelegram.h"
#include "devices/stateChangeObjekt.h"
#include "platform/UserNotice.h"

namespace oculon::app {
namespace {

using namespace testing;
using config::TSingleConfig;

std::unique_ptr<devices::serverObjekt> probe(const std::string& name, const std::string& address,
                                             const std::string& port = "80", bool black = false) {
    auto s = discovered(name, address, port);
    s->success = true;
    s->strom = video::test::jpegOf(black ? video::test::kBlack : video::test::kWhite);
    return s;
}

devices::telefonObjekt phone(devices::TTelefonStatus status, const std::string& number = "ws1") {
    devices::telefonObjekt t;
    t.FStatus = status;
    t.FIpAdresse = "10.0.0.50";
    t.FNummer = number;
    return t;
}

devices::stateChangeObjekt input(const std::string& address, bool on) {
    devices::stateChangeObjekt e;
    e.FIpAdresse = address;
    e.FPort = "80";
    e.FStatus1 = on;
    return e;
}

class Dispatch : public ::testing::Test {
protected:
    Dispatch() {
        settings.schreibeFensterKoordinaten({100, 200, 300, 400});  // top, left, height, width
        settings.schreibeID("WS1");
    }

    CallDispatch& dispatch() {
        if (!dispatch_) {
            CallDispatch::Parts parts;
            parts.settings = &settings;
            parts.rebootLock = &rebootLock;
            parts.popup = &popup;
            parts.factory = &factory;
            parts.discovery = &discovery;
            parts.gateways = &gateways;
            parts.prompts = &prompts;
            parts.telephoneAcknowledge = [this](const std::string& text) { acknowledged.push_back(text); };
            parts.clock = [this] { return now; };
            parts.sleep = [this](std::chrono::milliseconds pause) { pauses.push_back(pause.count()); };
            dispatch_ = std::make_unique<CallDispatch>(std::move(parts));
        }
        return *dispatch_;
    }

    TSingleConfig& addStation(const std::string& name, const std::string& ip = "10.0.0.9",
                              config::TVideoServerType typ = config::KorvatServer) {
        TSingleConfig s;
        s.Name = name;
        s.Ip = ip;
        s.Port = "80";
        s.typ = typ;
        stations.push_back(s);
        return stations.back();
    }
    void store() {
        for (const auto& s : stations) settings.addConfig(s);
        stations.clear();
    }
    void addTelephoneStation() { addStation("Tel").telefonIP = "10.0.0.50"; }
    void withWall() {
        settings.schreibeSurveillance(true);
        settings.schreibeDoor(true);
        dispatch().setWall(&wall);
    }

    // What shows: the popup's station, the visible further popups' in the
    // order they opened, the wall's door frame and the caller shown.
    std::string shown() {
        std::string further;
        for (const FakeWindow* w : *factory.live)
            if (w->visible()) further += (further.empty() ? "" : ",") + w->station->Name;
        const auto orNone = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
        return "popup " + (popup.visible() ? popup.station->Name : "-") + " | further " + orNone(further) + " | wall " +
               (wall.doorVisible() ? wall.station->Name : "-") + " | act " + orNone(dispatch().actIP());
    }

    config::TRebootSperre rebootLock;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    std::list<TSingleConfig> stations;  // to be stored
    FakeWindow popup;
    FakeFactory factory;
    FakeWall wall;
    FakeDiscovery discovery;
    FakeGateways gateways;
    FakePrompts prompts;
    std::vector<std::string> acknowledged;
    std::vector<std::int64_t> pauses;  // milliseconds slept, in order
    std::uint32_t now = 1000;
    std::unique_ptr<CallDispatch> dispatch_;
};

// ---- probe results (1026) ---------------------------------------------------

TEST_F(Dispatch, ProbeOfAConfiguredServerWithAPictureShowsTheCallInThePopup) {
    addStation("Door", "10.0.0.99");
    store();
    dispatch().serverProbed(probe("Door", "10.0.0.5", "8080"));
    EXPECT_EQ(shown(), "popup Door | further - | wall - | act 10.0.0.5");
    EXPECT_EQ(popup.station->Ip + ":" + popup.station->Port, "10.0.0.5:8080");
    EXPECT_TRUE(!popup.preview && popup.fronted == 1);
    // The stored station keeps its own address.
    EXPECT_EQ(settings.getConfigByName("Door")->Ip, "10.0.0.99");
    ASSERT_EQ(discovery.list.size(), 1u);
    EXPECT_TRUE(discovery.list[0]->hasPicture());
}

TEST_F(Dispatch, AServerAtAThirdHostPlaysWithoutTheStoredCredentials) {
    TSingleConfig& door = addStation("Door");
    door.UserName = "u";
    door.Passwort = "p";
    door.AdminPass = "a";
    door.NeedCredentials = true;
    store();
    auto third = probe("Door", "10.0.0.66");
    third->FCredentialsAllowed = false;
    dispatch().serverProbed(std::move(third));
    ASSERT_TRUE(popup.station);
    EXPECT_EQ(popup.station->UserName + popup.station->Passwort + popup.station->AdminPass, "");
    EXPECT_TRUE(!popup.station->NeedCredentials && settings.getConfigByName("Door")->Passwort == "p");
    // The manual "Show video" of that server alike.
    dispatch().Videoanzeigen1Click();
    ASSERT_EQ(factory.made.size(), 1u);
    EXPECT_EQ(factory.made[0]->station->Ip + "|" + factory.made[0]->station->Passwort, "10.0.0.66|");
}

TEST_F(Dispatch, ProbesThatAreNoCallOnlyUpdateTheDiscoveryListWithTheirStation) {
    addStation("Black");
    addStation("Cam", "10.0.0.9", config::KorvatCam);
    addStation("Gw").moxa = true;
    addStation("Phone").telefonIP = "10.0.0.50";
    addStation("Axis", "10.0.0.9", config::AxisCam);  // calls through its input
    store();
    std::unique_ptr<devices::serverObjekt> probes[] = {
        probe("Unknown", "10.0.0.1"), probe("Black", "10.0.0.2", "80", true),
        probe("Cam", "10.0.0.3"),     probe("Gw", "10.0.0.4"),
        probe("Phone", "10.0.0.6"),   probe("Axis", "10.0.0.7", "81")};
    for (auto& p : probes) dispatch().serverProbed(std::move(p));
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    EXPECT_EQ(discovery.stations, (std::vector<std::string>{"", "Black", "Cam", "Gw", "Phone", "Axis"}));
    // A later probe of the same address and port replaces the entry.
    dispatch().serverProbed(probe("Unknown", "10.0.0.1"));
    EXPECT_EQ(discovery.list.size(), 6u);
}

// A second video server of a station's name, while the station's own
// answers where it was set up, is another device: its picture is no call,
// and "Show video" offers only the station's own. Nor is one that the probe
// took for no station's (the list may have lacked the station's own then).
TEST_F(Dispatch, AnotherServerOfAStationsNameIsNoStationOfIts) {
    addStation("Door", "10.0.0.9");
    store();
    auto early = probe("Door", "10.0.0.66");
    early->FIsConfigured = false;
    dispatch().serverProbed(std::move(early));
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    discovery.add("Door", "10.0.0.9");
    dispatch().serverProbed(probe("Door", "10.0.0.66"));
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    EXPECT_EQ(discovery.stations.back(), "");
    prompts.choice = 0;
    dispatch().Videoanzeigen1Click();
    EXPECT_EQ(prompts.offered, std::vector<std::string>{"Door"});
    ASSERT_EQ(factory.made.size(), 1u);
    EXPECT_EQ(factory.made[0]->station->Ip, "10.0.0.9");
    dispatch().serverProbed(probe("Door", "10.0.0.9"));
    EXPECT_EQ(shown(), "popup Door | further Door | wall - | act 10.0.0.9");
}

// Which station rings: a video server is its station's by the name it
// reports at the station's address; a station whose address answers with
// another name, or not in the latest round, follows the one device of its
// name elsewhere at once.
TEST_F(Dispatch, AStationRingsOnlyFromItsOwnDeviceWhereverThatAnswers) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> listed;  // name, address answering besides the ringer
        std::vector<std::string> silent;                          // listed, silent in the latest round
        std::pair<std::string, std::string> rings;                // name, address
        std::string shown;
        bool told = false;  // that no device is taken for the station
    } cases[] = {
        {"a stranger took the station's address", {{"Door", "10.0.0.8"}}, {}, {"Lobby", "10.0.0.2"}, "-"},
        {"... and the station's own device rings where it moved",
         {{"Lobby", "10.0.0.2"}},
         {},
         {"Door", "10.0.0.8"},
         "Door"},
        {"two swapped leases", {{"Door", "10.0.0.8"}}, {}, {"Yard", "10.0.0.2"}, "Yard"},
        {"its old entry went silent", {{"Door", "10.0.0.2"}}, {"10.0.0.2:80"}, {"Door", "10.0.0.9"}, "Door"},
        {"its old entry answers still", {{"Door", "10.0.0.2"}}, {}, {"Door", "10.0.0.9"}, "-"},
        {"two of its name elsewhere", {{"Door", "10.0.0.7"}}, {"10.0.0.2:80"}, {"Door", "10.0.0.9"}, "-", true},
    };
    std::vector<std::string> told;
    platform::setNoticeShower([&told](platform::Notice, const std::string& detail) { told.push_back(detail); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        told.clear();
        settings.deleteConfig(settings.getConfigByName("Door"));
        settings.deleteConfig(settings.getConfigByName("Yard"));
        addStation("Door", "10.0.0.2");
        addStation("Yard", "10.0.0.8");
        store();
        discovery.list.clear();
        discovery.silent = {c.silent.begin(), c.silent.end()};
        for (const auto& [name, address] : c.listed) discovery.add(name, address);
        popup.stopVideo();
        dispatch().serverProbed(probe(c.rings.first, c.rings.second));
        EXPECT_EQ(popup.visible() ? popup.station->Name : "-", c.shown);
        EXPECT_EQ(discovery.stations.back(), c.shown == "-" ? "" : c.shown);
        // Once, however often its devices answer.
        dispatch().serverProbed(probe(c.rings.first, c.rings.second));
        EXPECT_EQ(told.size(), c.told ? 1u : 0u);
    }
    platform::setNoticeShower({});
}

TEST_F(Dispatch, FurtherPopupsOpenStepByStepOffsetWhileThePopupIsBusyWhenAllowed) {
    for (const char* name : {"A", "B", "C"}) addStation(name);
    store();
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    dispatch().serverProbed(probe("B", "10.0.0.2"));
    EXPECT_EQ(shown(), "popup A | further - | wall - | act 10.0.0.1");  // a second caller waits

    settings.schreibeAllowMultipleWindows(true);
    dispatch().serverProbed(probe("B", "10.0.0.2"));
    dispatch().serverProbed(probe("C", "10.0.0.3"));
    dispatch().serverProbed(probe("B", "10.0.0.2"));  // same caller again: nothing new
    dispatch().serverProbed(probe("A", "10.0.0.1"));  // the popup's own caller: nothing
    EXPECT_EQ(shown(), "popup A | further B,C | wall - | act 10.0.0.1");
    EXPECT_EQ(factory.made[0]->bounds, (config::TWindowSettings{100 + 150, 200 + 200, 300, 400}));
    EXPECT_EQ(factory.made[1]->bounds, (config::TWindowSettings{100 + 300, 200 + 400, 300, 400}));
    EXPECT_TRUE(factory.made[0]->setup().blackToMainForm);
    // A black stream closes and frees exactly that popup.
    dispatch().furtherPopupBlack(factory.made[0]->handle());
    EXPECT_EQ(factory.live->size(), 1u);
    EXPECT_EQ(dispatch().furtherPopup("10.0.0.3"), factory.made[1]);
}

// Further popups are placed by where the main popup is to stand while the
// window manager has not framed it yet; once it has come to stand elsewhere,
// those that hide its header move to a free place, but one the user placed.
TEST_F(Dispatch, FurtherPopupsMoveToAFreePlaceOnceTheMainPopupHasSettled) {
    const auto place = [](const config::TWindowSettings& w) {
        return std::to_string(w.left) + "," + std::to_string(w.top) + " " + std::to_string(w.width) + "x" +
               std::to_string(w.height);
    };
    for (const char* name : {"A", "B", "C"}) addStation(name);
    store();
    settings.schreibeAllowMultipleWindows(true);
    settings.schreibeFensterKoordinaten({40, 80, 552, 648});
    factory.room = video::ScreenRoom{{0, 0, 800, 521}, {2, 25}};
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    popup.bounds = {5, 80, 491, 595};  // where it asked to stand
    dispatch().serverProbed(probe("B", "10.0.0.2"));
    dispatch().serverProbed(probe("C", "10.0.0.3"));
    ASSERT_EQ(factory.made.size(), 2u);
    FakeWindow& b = *factory.made[0];
    FakeWindow& c = *factory.made[1];
    EXPECT_EQ(factory.roomAskedAt.back(), popup.bounds);
    EXPECT_TRUE(b.amongOthers && c.amongOthers);
    EXPECT_EQ(place(b.bounds), "0,74 476x401");   // below its header, over its picture
    EXPECT_EQ(place(c.bounds), "0,143 357x312");  // below B's header too

    // The window manager put it lower, so that its header lies under B; the
    // user put C over it.
    c.userPlaced = true;
    c.bounds = {50, 100, 312, 357};
    popup.bounds = {40, 80, 456, 553};
    ASSERT_TRUE(popup.settled);
    popup.settled();
    EXPECT_EQ(place(b.bounds), "459,109 331x291");  // beside C, below the header
    EXPECT_EQ(place(c.bounds), "100,50 357x312");
    b.settled();  // B where it asked to stand: nothing moves
    EXPECT_EQ(place(b.bounds), "459,109 331x291");

    dispatch_.reset();  // the popup outlives the dispatch
    EXPECT_FALSE(popup.settled);
}

TEST_F(Dispatch, PauseShowsNothingOnAnyRoadButStillRestoresTheWall) {
    settings.schreibeAllowMultipleWindows(true);
    withWall();
    addStation("A");
    addStation("Cam", "10.0.0.3", config::LindavorCam);
    addTelephoneStation();
    store();
    dispatch().setPaused(true);
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    dispatch().inputChanged(input("10.0.0.3", true));
    dispatch().telephoneEvent(phone(devices::Verbindung));
    EXPECT_TRUE(shown().starts_with("popup - | further - | wall - |")) << shown();
    EXPECT_EQ(wall.restored, 3);  // every call still restores it

    dispatch().setPaused(false);
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    EXPECT_EQ(shown(), "popup - | further - | wall A | act 10.0.0.1");  // the wall's door frame takes door calls
    // The door frame is busy now: the same call does not start again.
    wall.station.reset();
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    EXPECT_FALSE(wall.station);
}

// The wall stored on (and taking door calls) but not there: on every road
// the call comes up as with the wall off.
TEST_F(Dispatch, AWallSwitchedOnThatDoesNotExistLosesNoCall) {
    settings.schreibeSurveillance(true);
    settings.schreibeDoor(true);
    addStation("A");
    addStation("Cam", "10.0.0.3", config::LindavorCam);
    addTelephoneStation();
    store();
    const std::function<void()> roads[] = {[&] { dispatch().serverProbed(probe("A", "10.0.0.1")); },
                                           [&] { dispatch().telephoneEvent(phone(devices::Verbindung)); },
                                           [&] { dispatch().inputChanged(input("10.0.0.3", true)); }};
    for (const auto& call : roads) {
        popup.stopVideo();
        call();
        EXPECT_TRUE(popup.visible()) << "probe, telephone, input: " << &call - roads;
    }
}

// ---- telephones (1029) -----------------------------------------------------------

TEST_F(Dispatch, TelephoneCallForOurIdShowsItsStationUntilIdleOrAnotherWorkstationTakesIt) {
    dispatch().telephoneEvent(phone(devices::Verbindung));  // no station has this telephone
    addTelephoneStation();
    store();
    dispatch().telephoneEvent(phone(devices::Video, "other"));  // not ours
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    dispatch().telephoneEvent(phone(devices::Video, "ws1"));  // ids match in any case
    EXPECT_EQ(shown(), "popup Tel | further - | wall - | act 10.0.0.50");
    EXPECT_TRUE(popup.station->videoOnly);
    // Picked up: the video-only view becomes a full call view; video again
    // only refreshes a video-only view.
    dispatch().telephoneEvent(phone(devices::Verbindung));
    EXPECT_FALSE(popup.videoOnly());
    dispatch().telephoneEvent(phone(devices::Video));
    EXPECT_EQ(popup.refreshed, 0);
    // Another workstation taking the call leaves a call view open; idle ends it.
    dispatch().telephoneEvent(phone(devices::Verbindung, "other"));
    EXPECT_EQ(shown(), "popup Tel | further - | wall - | act 10.0.0.50");
    dispatch().telephoneEvent(phone(devices::Idle));
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    // It ends a video-only view at once.
    dispatch().telephoneEvent(phone(devices::Video));
    dispatch().telephoneEvent(phone(devices::Verbindung, "other"));
    EXPECT_FALSE(popup.visible());
    auto ack = phone(devices::ACK);
    ack.FPacket = "LSREM0A4D00010517051234AB";
    dispatch().telephoneEvent(ack);
    EXPECT_EQ(acknowledged, std::vector<std::string>{"LSREM0A4D00010517051234AB"});
}

TEST_F(Dispatch, HiddenFurtherPopupOfATelephoneIsFreedAndReplaced) {
    settings.schreibeAllowMultipleWindows(true);
    addStation("A");
    addTelephoneStation();
    store();
    dispatch().serverProbed(probe("A", "10.0.0.1"));
    dispatch().telephoneEvent(phone(devices::Verbindung));
    EXPECT_EQ(shown(), "popup A | further Tel | wall - | act 10.0.0.1");
    EXPECT_FALSE(factory.made[0]->setup().blackToMainForm);
    factory.made[0]->close();  // hidden by the user, still listed
    dispatch().telephoneEvent(phone(devices::Verbindung));
    ASSERT_EQ(factory.made.size(), 2u);
    EXPECT_EQ(*factory.live, WindowList{factory.made[1]});  // the hidden one is gone
    EXPECT_EQ(dispatch().furtherPopup("10.0.0.50"), factory.made[1]);
    // Idle of that telephone ends and frees its further popup.
    dispatch().telephoneEvent(phone(devices::Idle));
    EXPECT_TRUE(dispatch().furtherCount() == 0 && factory.live->empty());
}

TEST_F(Dispatch, WallDoorFrameTakesTelephoneCallsWhenItIsFree) {
    withWall();
    addTelephoneStation();
    store();
    dispatch().telephoneEvent(phone(devices::Video));
    EXPECT_EQ(shown(), "popup - | further - | wall Tel | act 10.0.0.50");
    dispatch().telephoneEvent(phone(devices::Video));
    dispatch().telephoneEvent(phone(devices::Verbindung, "other"));
    EXPECT_TRUE(wall.refreshed == 1 && wall.stopped == 1);
}

// ---- camera inputs (1032) ------------------------------------------------------------

TEST_F(Dispatch, InputOnCallsAndInputOffEndsOnlyTheShownCaller) {
    settings.schreibeAllowMultipleWindows(true);
    addStation("Cam", "10.0.0.3", config::LindavorCam);
    addStation("Keep", "10.0.0.4", config::AxisCam).ohneBT = true;
    addStation("Plain", "10.0.0.5");  // type 0 has no input
    store();
    dispatch().inputChanged(input("10.0.0.5", true));
    dispatch().inputChanged(input("10.0.0.3", true));
    dispatch().inputChanged(input("10.0.0.4", true));
    EXPECT_EQ(shown(), "popup Cam | further Keep | wall - | act 10.0.0.3");
    dispatch().inputChanged(input("10.0.0.4", false));  // ohneBT: stays
    dispatch().inputChanged(input("10.0.0.3", false));
    EXPECT_EQ(shown(), "popup - | further Keep | wall - | act -");
}

TEST_F(Dispatch, AnalogCallButtonsDecideTheCall) {
    TSingleConfig& analog = addStation("Analog", "10.0.0.3", config::LindavorCam);
    analog.analog_multi = true;
    analog.analog_zwei = true;
    store();
    auto at = [&](std::uint32_t t, bool on) {
        now = t;
        dispatch().inputChanged(input("10.0.0.3", on));
    };
    at(1000, true);
    at(1300, false);  // button 1
    at(1500, true);
    EXPECT_FALSE(popup.visible());  // the station does not react to button 1
    at(2000, true);
    at(2600, false);  // button 2
    at(2800, true);
    EXPECT_TRUE(popup.visible());
    at(3000, false);  // the end of the confirmation pulse ends the call
    EXPECT_FALSE(popup.visible());
}

// ---- gateway calls and input states (port 4001) ------------------------------------------

// Gate keeps its gateway's hardware address; Yard was stored before one was kept.
class GatewayDispatch : public Dispatch {
protected:
    GatewayDispatch() {
        TSingleConfig& gate = addStation("Gate", "10.0.0.99");
        gate.moxa = true;
        gate.moxaMac = "00:90:e8:00:00:01";
        addStation("Yard").moxa = true;
        store();
        gateways.list = {{"Gate", "10.0.1.1", "00:90:e8:00:00:01"}, {"Yard", "10.0.1.2", "00:90:e8:00:00:02"}};
        discovery.add("Gate", "10.0.0.20", "8080");
    }
};

TEST_F(GatewayDispatch, CallShowsACopyOfTheStationWithTheFoundAddressesAndItsInputState) {
    dispatch().gatewayCall("10.0.1.1", "ws1");
    EXPECT_EQ(shown(), "popup Gate | further - | wall - | act 10.0.1.1");
    EXPECT_EQ(popup.station->Ip + ":" + popup.station->Port + " " + popup.station->moxaIP, "10.0.0.20:8080 10.0.1.1");
    // the stored station learns its gateway's address, and keeps its own
    const auto stored = settings.getConfigByName("Gate");
    EXPECT_EQ(stored->Ip + " " + stored->moxaIP, "10.0.0.99 10.0.1.1");
    dispatch().inputState("10.0.1.1", true);
    dispatch().inputState("10.0.1.7", false);  // not the caller's
    EXPECT_EQ(popup.input, true);
}

TEST_F(GatewayDispatch, SecondCallWaitsAndComesUpWhenTheFirstEnds) {
    dispatch().gatewayCall("10.0.1.1", "WS1");
    dispatch().gatewayCall("10.0.1.2", "WS1");
    dispatch().gatewayCall("10.0.1.2", "WS1");
    dispatch().gatewayCall("10.0.1.1", "WS1");  // a repeated call, the shown one's too, waits once
    dispatch().gatewayCall("10.0.1.9", "someone-else");
    // A flood of our id from addresses where no gateway was found (forged
    // senders) takes no place in the queue, and the call shown stays.
    for (int i = 0; i < 20000; ++i)
        dispatch().gatewayCall("10.78." + std::to_string(i / 250) + "." + std::to_string(i % 250), "WS1");
    EXPECT_EQ(dispatch().ipListe(), std::vector<std::string>{"10.0.1.2"});
    // An end from a waiting caller takes it off the queue.
    dispatch().gatewayCall("10.0.1.2", "");
    EXPECT_TRUE(dispatch().ipListe().empty());
    EXPECT_EQ(shown(), "popup Gate | further - | wall - | act 10.0.1.1");
    dispatch().gatewayCall("10.0.1.2", "ws1");
    dispatch().gatewayCall("10.0.1.1", "");
    EXPECT_EQ(shown(), "popup Yard | further - | wall - | act 10.0.1.2");
    EXPECT_TRUE(dispatch().ipListe().empty());  // the caller that comes up leaves the queue
    dispatch().gatewayCall("10.0.1.2", "");
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
}

// Two gateways, and two video servers, of one name: each call is known by
// the calling gateway's hardware address, and plays the station's own server.
TEST_F(GatewayDispatch, AStrangerOfAStationsNameIsNoCallerOfIts) {
    gateways.list.push_back({"Gate", "10.0.1.3", "00:90:e8:00:00:03"});
    discovery.add("Gate", "10.0.0.99");  // the station's own server answers where it was set up
    dispatch().gatewayCall("10.0.1.3", "ws1");
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    dispatch().gatewayCall("10.0.1.1", "ws1");
    dispatch().gatewayCall("10.0.1.3", "ws1");  // nor does it wait for its turn
    EXPECT_EQ(shown(), "popup Gate | further - | wall - | act 10.0.1.1");
    EXPECT_EQ(popup.station->Ip + ":" + popup.station->Port, "10.0.0.99:80");
    EXPECT_TRUE(dispatch().ipListe().empty());
    dispatch().gatewayCall("10.0.1.1", "");

    // Ours moved to .5 and the stranger took .1: the station follows its own.
    gateways.list = {{"Gate", "10.0.1.1", "00:90:e8:00:00:03"}, {"Gate", "10.0.1.5", "00:90:e8:00:00:01"}};
    dispatch().gatewayCall("10.0.1.1", "ws1");
    EXPECT_EQ(shown(), "popup - | further - | wall - | act -");
    dispatch().gatewayCall("10.0.1.5", "ws1");
    EXPECT_EQ(shown(), "popup Gate | further - | wall - | act 10.0.1.5");
    EXPECT_EQ(settings.getConfigByName("Gate")->moxaIP, "10.0.1.5");
    dispatch().gatewayCall("10.0.1.5", "");
    // Its manual window opens at its own gateway's address.
    dispatch().zeigeVideobild(settings.getConfigByName("Gate").get());
    ASSERT_EQ(factory.made.size(), 1u);
    EXPECT_EQ(factory.made[0]->station->moxaIP, "10.0.1.5");

    // A station stored without the hardware address goes by its name, as before.
    gateways.list.push_back({"Yard", "10.0.1.6", "00:90:e8:00:00:06"});
    dispatch().gatewayCall("10.0.1.6", "ws1");
    EXPECT_EQ(shown(), "popup Yard | further Gate | wall - | act 10.0.1.6");
}

// A gateway call is trusted by the rule of DeviceStations: a hardware
// address claimed from two addresses only where it was confirmed before, a
// gateway of a station's name only by the hardware address the station
// keeps, nothing from the workstation itself. Whatever is held back, or
// goes elsewhere, is told once.
TEST_F(GatewayDispatch, ADoubtfulGatewayCallIsToldAndGetsNoDoorCommandOnAGuess) {
    std::vector<std::string> told;
    platform::setNoticeShower([&told](platform::Notice, const std::string& detail) { told.push_back(detail); });
    const config::TSprachenTyp language = std::exchange(config::sprache, config::lang_en);
    // A search round found it there alone: confirmed there.
    dispatch().gatewaysSearched();
    const std::vector<std::string> claimants{"10.0.1.1", "10.0.1.7"};
    const struct {
        const char* what;
        std::vector<GatewayEntry> found;
        std::string sender;
        std::string shown;  // the station and where its door commands go
        std::string told;   // the start of what the user is told
    } cases[] = {
        {"heard by the search, not read yet (invented ones hold the reads up)",
         {{"", "10.0.1.1", "00:90:e8:00:00:01"}},
         "10.0.1.1",
         "Gate>10.0.1.1",
         ""},
        {"a claimant calls from elsewhere",
         {{"Gate", "10.0.1.1", "00:90:e8:00:00:01", claimants}, {"Gate", "10.0.1.7", "00:90:e8:00:00:01", claimants}},
         "10.0.1.7",
         "-",
         "Two devices answer with the hardware address of the gateway of the station \"Gate\" (00:90:e8:00:00:01): "
         "10.0.1.1, 10.0.1.7. Neither"},
        {"... and from where it was confirmed",
         {{"Gate", "10.0.1.1", "00:90:e8:00:00:01", claimants}, {"Gate", "10.0.1.7", "00:90:e8:00:00:01", claimants}},
         "10.0.1.1",
         "Gate>10.0.1.1",
         "Two devices answer with the hardware address of the gateway of the station \"Gate\" (00:90:e8:00:00:01): "
         "10.0.1.1, 10.0.1.7. The call came from 10.0.1.1"},
        {"from the workstation's own address",
         {{"Gate", "10.0.1.1", "00:90:e8:00:00:01", {}, true}},
         "10.0.1.1",
         "-",
         ""},
        {"a replacement of the station's name",
         {{"Gate", "10.0.1.9", "00:90:e8:00:00:09"}},
         "10.0.1.9",
         "-",
         "The gateway \"Gate\" at 10.0.1.9 (00:90:e8:00:00:09) called. It carries the name of the station \"Gate\", "
         "but the station keeps another gateway's hardware address (00:90:e8:00:00:01)"},
        {"two of the name of a station stored without one",
         {{"Yard", "10.0.1.2", "00:90:e8:00:00:02"}, {"Yard", "10.0.1.3", "00:90:e8:00:00:03"}},
         "10.0.1.3",
         "-",
         "The gateway \"Yard\" at 10.0.1.3 called. Two gateways carry the name of the station \"Yard\""},
        {"one of its name", {{"Yard", "10.0.1.3", "00:90:e8:00:00:03"}}, "10.0.1.3", "Yard>10.0.1.3", ""},
        {"its address answers with a further hardware address, listed first",
         {{"Other", "10.0.1.3", "00:90:e8:00:00:77"}, {"Yard", "10.0.1.3", "00:90:e8:00:00:03"}},
         "10.0.1.3",
         "Yard>10.0.1.3",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        told.clear();
        gateways.list = c.found;
        for (int repeat = 0; repeat < 3; ++repeat) dispatch().gatewayCall(c.sender, "ws1");
        EXPECT_EQ(popup.visible() ? popup.station->Name + ">" + popup.station->moxaIP : "-", c.shown);
        EXPECT_EQ(told.size(), c.told.empty() ? 0u : 1u);
        if (!told.empty()) {
            EXPECT_TRUE(told[0].starts_with(c.told)) << told[0];
        }
        dispatch().gatewayCall(c.sender, "");
        EXPECT_FALSE(popup.visible());
    }
    // The station learnt its gateway's address, and none from a disputed call.
    EXPECT_EQ(settings.getConfigByName("Gate")->moxaIP, "10.0.1.1");
    platform::setNoticeShower({});
    config::sprache = language;
}

// A gateway's end frame ends only the call it brought.
TEST_F(GatewayDispatch, AnEndFrameFromAStationFoundByItsPictureEndsNothing) {
    addStation("Cam", "10.0.0.5");
    store();
    dispatch().serverProbed(probe("Cam", "10.0.0.5"));
    dispatch().gatewayCall("10.0.0.5", "");
    EXPECT_EQ(shown(), "popup Cam | further - | wall - | act 10.0.0.5");
}

TEST_F(GatewayDispatch, CallOfAManuallyShownGatewayHighlightsItsWindow) {
    dispatch().zeigeVideobild(settings.getConfigByName("Gate").get());
    ASSERT_EQ(factory.made.size(), 1u);
    FakeWindow* manual = factory.made[0];
    EXPECT_TRUE(manual->preview && dispatch().furtherPopup("10.0.1.1") == manual);
    dispatch().gatewayCall("10.0.1.1", "ws1");
    EXPECT_TRUE(manual->highlighted && manual->fronted == 1 && dispatch().vorschauActive() && !popup.visible());
    // Input states go to the window listed under the sender.
    dispatch().inputState("10.0.1.1", true);
    EXPECT_TRUE(manual->input == true && !popup.input);
    dispatch().gatewayCall("10.0.1.1", "");
    EXPECT_FALSE(manual->highlighted || dispatch().vorschauActive());
    // Closing the window takes it off the list and frees it.
    manual->close();
    EXPECT_EQ(dispatch().furtherCount(), 0u);
    dispatch().inputState("10.0.1.1", false);
    EXPECT_TRUE(factory.live->empty());
}

// ---- the manual "Show video" ------------------------------------------------------------------

TEST_F(Dispatch, ShowVideoOffersTheConfigurationOrOneWindowPerChosenStation) {
    dispatch().Videoanzeigen1Click();  // no servers
    EXPECT_TRUE(prompts.configurationAsked == 1 && prompts.settingsOpened == 1);

    // One server opens its preview at once.
    addStation("A").commonName = "Front door";
    store();
    discovery.add("A", "10.0.0.1");
    dispatch().Videoanzeigen1Click();
    EXPECT_EQ(shown(), "popup - | further A | wall - | act -");
    EXPECT_TRUE(factory.made[0]->preview);
    EXPECT_EQ(pauses, (std::vector<std::int64_t>{100}));

    // Several: each configured station is offered once, A by its own
    // device where it was set up.
    addStation("B", "10.0.0.4");
    store();
    for (const auto& [name, address] : {std::pair{"A", "10.0.0.9"}, {"X", "10.0.0.3"}, {"B", "10.0.0.4"}})
        discovery.add(name, address);
    prompts.choice = 1;
    dispatch().Videoanzeigen1Click();
    EXPECT_EQ(prompts.offered, (std::vector<std::string>{"Front door", "B"}));
    EXPECT_EQ(shown(), "popup - | further A,B | wall - | act -");
    EXPECT_FALSE(dispatch().gesperrt());
    prompts.choice.reset();
    dispatch().Videoanzeigen1Click();
    EXPECT_EQ(factory.made.size(), 2u);
}

TEST_F(Dispatch, ShowVideoAsksForThePasswordAndWaitsWhileAServerRestarts) {
    settings.storePasswd("secret");
    settings.schreibeHasVideoPass(true);
    addStation("A");
    store();
    discovery.add("A", "10.0.0.1");
    prompts.password = "wrong";
    dispatch().Videoanzeigen1Click();
    EXPECT_TRUE(prompts.wrong == 1 && factory.made.empty());
    prompts.password = "secret";
    rebootLock.blockVideo();
    dispatch().Videoanzeigen1Click();
    rebootLock.unblockVideo();
    dispatch().Videoanzeigen1Click();
    EXPECT_TRUE(factory.made.empty() && dispatch().locked());
    dispatch().serverProbed(probe("Z", "10.0.0.8"));  // the next probe result lifts it
    prompts.choice = 0;
    dispatch().Videoanzeigen1Click();
    EXPECT_EQ(factory.made.size(), 1u);
}

// ---- the hub ------------------------------------------------------------------------------

struct CountedServer : devices::serverObjekt {
    explicit CountedServer(int& alive) : alive_(alive) { ++alive_; }
    ~CountedServer() override { --alive_; }
    int& alive_;
};

TEST_F(Dispatch, HubForwardsListNewsAndFreesPayloadsWhileClosing) {
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> forwarded;
    bool ended = false;
    std::vector<std::pair<std::uint16_t, bool>> ports;
    std::vector<bool> reach;
    MessageHub hub(dispatch(),
                   {[&](std::uint32_t id, std::uintptr_t w) { forwarded.emplace_back(id, w); }, [] { return false; },
                    [&] { ended = true; }, [&](std::uint16_t port, bool held) { ports.emplace_back(port, held); },
                    [&](bool blocked) { reach.push_back(blocked); }});
    int alive = 0;
    using platform::Message;
    auto post = [&](std::uint32_t id, std::uintptr_t w) {
        Message m;
        m.id = id;
        m.wParam = w;
        hub.handle(m);
    };
    auto handle = [&](Message m) { hub.handle(m); };
    handle(Message::carrying<platform::WM_UPDATEEVENT>(std::make_unique<CountedServer>(alive)));
    post(platform::WM_TCPUPDATEEVENT, 2);
    post(platform::WM_MOXAEVENT, 0);
    EXPECT_EQ(forwarded,
              (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
                  {platform::WM_UPDATEEVENT, 0}, {platform::WM_TCPUPDATEEVENT, 2}, {platform::WM_MOXAEVENT, 0}}));
    EXPECT_EQ(alive, 1);  // kept in the discovery list
    post(platform::WM_LISTENERPORT, platform::listenerPortParam(8112, true));
    post(platform::WM_LISTENERPORT, platform::listenerPortParam(65535, false));
    EXPECT_EQ(ports, (std::vector<std::pair<std::uint16_t, bool>>{{8112, true}, {65535, false}}));
    post(platform::WM_SEARCHREACH, 1);
    post(platform::WM_SEARCHREACH, 0);
    EXPECT_EQ(reach, (std::vector<bool>{true, false}));

    dispatch().beginClosing();
    forwarded.clear();
    handle(Message::carrying<platform::WM_UPDATEEVENT>(std::make_unique<CountedServer>(alive)));
    handle(Message::carrying<platform::WM_TELUPDATEEVENT>(std::make_unique<devices::telefonObjekt>()));
    handle(Message::carrying<platform::WM_STATECHANGEDEVENT>(std::make_unique<devices::stateChangeObjekt>()));
    post(platform::WM_LISTENERPORT, platform::listenerPortParam(4001, true));
    post(platform::WM_SEARCHREACH, 1);
    EXPECT_TRUE(alive == 1 && forwarded.empty() && ports.size() == 2 && reach.size() == 2);
    post(platform::WM_ENDPROGRAM, 0);
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace oculon::app
