// The recordings player over a share that stops answering (a FUSE file
// system in the test's private mount namespace): the window comes at once
// and lays out, says after a while that the folder does not answer, and
// shows the folder once it answers again.

#include <gtest/gtest.h>

#include <QLabel>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "player/ui/videoPlayerForm.h"
#include "support/HangingShare.h"

using namespace oculon;
using namespace std::chrono_literals;

TEST(PlayerShare, AFolderThatDoesNotAnswerHoldsUpNoWindowAndIsToldUntilItAnswers) {
    config::sprache = config::lang_en;
    testsupport::HangingShare share;
    if (!share.unavailable().empty()) GTEST_SKIP() << share.unavailable();
    // The picture folder is made where it is missing: that call waits.
    const std::string root = share.path() + "/Pictures/";
    share.sleep();
    const auto begin = std::chrono::steady_clock::now();
    player::ui::TplayerForm form(root);
    form.show();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    auto& note = testsupport::child<QLabel>(form, "treeNote");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return note.text().contains("does not answer"); }, 10s));
    EXPECT_TRUE(form.reading());
    EXPECT_EQ(note.text().toStdString(), "the picture folder does not answer\n" + root);

    share.wake();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !form.reading(); }, 10s));
    EXPECT_EQ(note.text().toStdString(),
              config::tr(config::txtNoRecordingsYet) + " " + config::tr(config::txtRecordingsKeptBelow) + "\n" + root);
}
