// The file dialog over a share whose reads hang (a FUSE file system in the
// test's private mount namespace): the event loop stays free while the
// dialog waits for the share, the dialog says that it does not answer, and
// stays usable: another folder, Cancel.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "platform/MainLoop.h"
#include "support/ChildProcess.h"
#include "support/HangingShare.h"
#include "video/ui/FileChooser.h"

using namespace oculon;
using namespace std::chrono_literals;
using testsupport::child;
using testsupport::pumpUntil;

namespace {

// The longest a message posted to the main loop waited to be handled, of
// ten posted one after the other.
std::chrono::milliseconds longestWait() {
    std::chrono::steady_clock::time_point posted;
    std::chrono::nanoseconds longest{};
    bool handled = false;
    platform::MessageTarget target([&](platform::Message&) {
        longest = std::max(longest, std::chrono::steady_clock::now() - posted);
        handled = true;
    });
    for (int i = 0; i < 10; ++i) {
        handled = false;
        posted = std::chrono::steady_clock::now();
        platform::MainLoop::instance().post(target.id(), platform::WM_CLOSE);
        if (!pumpUntil([&] { return handled; }, 2s)) return 2s;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest);
}

}  // namespace

TEST(FileChooserShare, AShareWhoseReadsHangHoldsUpNothingAndIsToldWhileTheDialogStaysUsable) {
    config::sprache = config::lang_en;
    testsupport::HangingShare share;
    if (!share.unavailable().empty()) GTEST_SKIP() << share.unavailable();
    const std::string pictures = share.path() + "/Pictures";
    std::filesystem::create_directory(pictures);
    testsupport::TempDir home;
    ::setenv("HOME", home.path().c_str(), 1);
    share.holdReads();

    QWidget owner;
    owner.show();
    bool chosen = false;
    const video::ui::FileQuestion question{video::ui::FileQuestion::Kind::save, {}, pictures, "Door", {}, {"jpg"}};
    const QPointer<video::ui::FileChooser> chooser =
        video::ui::FileChooser::holding(owner, question, [&](const std::string&) { chosen = true; });
    auto& status = child<QLabel>(*chooser, "statusLine");
    EXPECT_EQ(status.text().toStdString(), "Reading the folder …");
    EXPECT_LT(longestWait(), 100ms) << "the listing holds up the event loop";
    ASSERT_TRUE(pumpUntil([&] { return status.text().contains("does not answer"); }, 10s));
    EXPECT_EQ(status.text().toStdString(), pictures + ": the folder does not answer");

    // Elsewhere answers at once.
    QTest::mouseClick(&child<QToolButton>(*chooser, "homeButton"), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return chooser->folder() == home.path() && !status.isVisible(); }, 5s));

    // A path typed into the share is looked at off the event loop too.
    auto& name = child<QLineEdit>(*chooser, "fileNameEdit");
    ASSERT_TRUE(pumpUntil([&] { return chooser->isActiveWindow(); }));
    name.setFocus();
    name.selectAll();
    QTest::keyClicks(&name, QString::fromStdString(pictures + "/door"));
    QTest::keyClick(&name, Qt::Key_Return);
    EXPECT_LT(longestWait(), 100ms) << "a typed path holds up the event loop";
    ASSERT_TRUE(pumpUntil([&] { return status.text().contains("does not answer"); }, 10s));
    EXPECT_EQ(status.text().toStdString(), pictures + "/door: the folder does not answer");
    QTest::keyClick(chooser, Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return chooser.isNull(); }));
    share.wake();
    testsupport::pumpFor(300ms);
    EXPECT_FALSE(chosen) << "a look the user left behind chose a file";
}
