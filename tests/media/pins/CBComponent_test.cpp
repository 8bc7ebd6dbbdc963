// The component base: property setters (clamp order, store only on change,
// callbacks inside the section), paired locks, when CreateStart runs, the
// settings collection's announcements, and the counted library start.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <future>
#include <limits>

#include "media/pins/CBComponent.h"
#include "media/pins/PNLibrary.h"

using namespace oculon::pins;

namespace {

struct Component : TCBComponent {
    using TCBComponent::TCBComponent;
    void CreateStart() override { ++starts; }
    void NotifyProp() override { order += "n"; }
    int starts = 0;
    std::string order;
};

TEST(PropertySetters, ClampThenStoreOnlyOnChange) {
    Component c;
    ICBLock& lock = *c.Lock();
    std::int32_t i = 0;
    EXPECT_TRUE(lock.SetterMinMax(i, 7, 10, 5));  // minimum first, then maximum
    EXPECT_EQ(i, 5);
    EXPECT_FALSE(lock.SetterMinMax(i, 7, 10, 5));  // same value: nothing happens
    EXPECT_EQ(c.order, "n");
    lock.SetterMin(i, -3, 0);
    EXPECT_EQ(i, 0);
    lock.SetterMax(i, 99, 42);
    EXPECT_EQ(i, 42);

    // Comparisons follow the field's type.
    std::uint32_t u = 1;
    lock.SetterMax(u, 0xFFFFFFFFu, 0x80000000u);
    EXPECT_EQ(u, 0x80000000u);
    std::int8_t s8 = 0;
    lock.SetterMinMax<std::int8_t>(s8, -128, -5, 5);
    EXPECT_EQ(s8, -5);
    std::uint16_t u16 = 0;
    lock.SetterMin<std::uint16_t>(u16, 65535, 7);
    EXPECT_EQ(u16, 65535);

    // Floating-point equality: -0 equals 0, so nothing is stored.
    double d = 0.0;
    EXPECT_FALSE(lock.Setter(d, -0.0));
    EXPECT_FALSE(std::signbit(d));
    float f = 1.5f;
    lock.SetterMinMax(f, 9.0f, 0.0f, 2.5f);
    EXPECT_EQ(f, 2.5f);
    std::string text = "a";
    EXPECT_TRUE(lock.Setter(text, std::string("b")));
    EXPECT_EQ(lock.Getter(text), "b");
}

TEST(PropertySetters, TheQuietEightBitSetterLeavesTheOwnerUntold) {
    Component c;
    ICBLock& lock = *c.Lock();
    std::uint8_t flags = 0;
    int calls = 0;
    EXPECT_TRUE(lock.Setter(
        flags, std::uint8_t{3}, [&] { ++calls; }, cbWithoutNotify));
    EXPECT_FALSE(lock.Setter(
        flags, std::uint8_t{3}, [&] { ++calls; }, cbWithoutNotify));
    EXPECT_EQ(flags, 3);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(c.order, "");
    EXPECT_TRUE(lock.Setter(flags, std::uint8_t{4}));  // the plain one tells the owner
    EXPECT_EQ(c.order, "n");
}

TEST(PropertySetters, CallbacksRunInsideTheSectionAndItEndsOnThrow) {
    Component c;
    ICBLock& lock = *c.Lock();
    TPNLock& raw = lock.Instance();
    int value = 0;
    EXPECT_TRUE(lock.Setter(value, 3, [&] {
        EXPECT_TRUE(raw.HeldByCurrentThread());
        c.order += "c";
    }));
    EXPECT_EQ(c.order, "cn");  // the per-call callback, then the owner's NotifyProp
    EXPECT_THROW(lock.Setter(value, 4, [] { throw std::runtime_error("callback"); }), std::runtime_error);
    EXPECT_EQ(value, 4);
    EXPECT_FALSE(raw.HeldByCurrentThread());
    // Refused while another thread stops the lock: nothing is stored.
    std::promise<void> stopped, done;
    auto stopper = std::async(std::launch::async, [&] {
        auto stop = lock.StopLock();
        stopped.set_value();
        done.get_future().wait();
    });
    stopped.get_future().wait();
    EXPECT_FALSE(lock.Setter(value, 5));
    EXPECT_EQ(value, 4);
    done.set_value();
}

TEST(PairedLock, TakesFirstThenSecondAndReleasesInReverse) {
    auto first = std::make_shared<TPNLock>();
    auto second = std::make_shared<TPNLock>();
    std::vector<std::string> trace;
    struct Tracer : IPNDBGNotify {
        std::vector<std::string>& trace;
        TPNLock *first, *second;
        Tracer(std::vector<std::string>& t, TPNLock* a, TPNLock* b) : trace(t), first(a), second(b) {}
        void Notify(const TPNLock& lock, TPNDBOperation op, std::thread::id) override {
            if (&lock != first && &lock != second) return;
            trace.push_back((&lock == first ? "1:" : "2:") + std::string(PNDBOperationName(op)));
        }
    };
    auto tracer = std::make_shared<Tracer>(trace, first.get(), second.get());
    GOWAddDBGListener(tracer);
    {
        TCBPairedLock paired(first, second, {});
        auto s = paired.WriteLock();
        EXPECT_TRUE(first->HeldByCurrentThread() && second->HeldByCurrentThread());
    }
    GOWRemoveDBGListener(tracer);
    EXPECT_EQ(trace, (std::vector<std::string>{"1:BeginWriteCreate  ", "1:WriteCreate       ", "2:BeginWriteCreate  ",
                                               "2:WriteCreate       ", "2:BeginWriteDestroy ", "2:WriteDestroy      ",
                                               "1:BeginWriteDestroy ", "1:WriteDestroy      "}));
    EXPECT_EQ(PNDBOperationName(TPNDBOperation::owdbBeginUnlockDestroy), "BeginUnlockDestroy");
}

TEST(ComponentBase, CreateStartRunsOnceAndSettingsShareTheLock) {
    TComponent form(nullptr, "Form1", TComponentKind::Form);
    auto direct = PNOwned<Component>::make(&form, "Direct");
    EXPECT_EQ(direct->starts, 1);
    form.SetLoading(true);
    auto loaded = PNOwned<Component>::make(&form, "Loaded");
    EXPECT_EQ(loaded->starts, 0);  // an owner is loading
    form.SetLoading(false);
    loaded->Loaded();
    EXPECT_EQ(loaded->starts, 1);
    auto designed = PNOwned<Component>::make(&form, "Designed");
    designed->SetDesigning(true);
    designed->Loaded();
    EXPECT_EQ(designed->starts, 1);  // only its construction, made before design mode was set

    TCBPersistent settings(nullptr, *direct->Lock());
    TCBOptionalDisabledPersistent sub(&settings);
    EXPECT_EQ(&sub.Lock()->Instance(), &direct->Lock()->Instance());
    sub.SetEnabled(true);
    EXPECT_TRUE(sub.Enabled());
    EXPECT_EQ(sub.GetOwner(), &settings);
}

TEST(ComponentBase, CollectionAnnouncesItsItems) {
    struct Listener : IPNCollectionNotifier {
        std::string seen;
        void ItemCreated(TPNExtCollection&, TPNExtCollectionItem&) override { seen += "+"; }
        void ItemDestroyed(TPNExtCollection&, TPNExtCollectionItem&) override { seen += "-"; }
    };
    TCBPersistent owner(nullptr, *std::make_shared<TPNLock>());
    TCBCollection collection(&owner);
    collection.Add<TCBCollectionItem>();
    collection.Delete(0);  // without listeners only the count goes stale
    EXPECT_EQ(collection.LastIndicatedCount, -1);
    auto listener = std::make_shared<Listener>();
    collection.AddNotifier(listener);
    auto& item = collection.Add<TCBCollectionItem>();
    EXPECT_EQ(&item.Lock()->Instance(), &owner.Lock()->Instance());
    collection.Add<TCBCollectionItem>();
    auto extracted = collection.Extract(0);
    collection.Clear();
    EXPECT_EQ(listener->seen, "++--");
    EXPECT_EQ(collection.Count(), 0u);
}

TEST(Library, StartsAreCountedAndGraphicsStartOnce) {
    const int before = IGDIPlusStartups();
    {
        TPNLibrary a;
        TPNLibrary b;
        EXPECT_TRUE(IGDIPlusStarted());
        EXPECT_EQ(IGDIPlusStartups(), before + 1);
    }
    EXPECT_FALSE(IGDIPlusStarted());
    EXPECT_FALSE(GOWInitialised());
    GOWUninitGlobals();  // unmatched: ignored
    TPNLibrary c;
    EXPECT_EQ(IGDIPlusStartups(), before + 2);
}

}  // namespace
