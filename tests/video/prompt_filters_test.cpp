#include <gtest/gtest.h>

#include "video/PromptFilters.h"

namespace oculon::video {
namespace {

TEST(DoorCodeFilter, TypedCharactersOutsideTheKeypadAreDropped) {
    EXPECT_EQ(filterDoorCode(u"12a", 3), (EditState{u"12", 2}));
    EXPECT_EQ(filterDoorCode(u"1*#9", 4), (EditState{u"1*#9", 4}));
    // Typed in the middle: that character goes, not the last one.
    EXPECT_EQ(filterDoorCode(u"1x23", 2), (EditState{u"123", 1}));
    EXPECT_EQ(filterDoorCode(u"\u00e9", 1), (EditState{u"", 0}));
    EXPECT_EQ(filterDoorCode(u"", 0), (EditState{u"", 0}));
}

TEST(DoorCodeFilter, PastedTextIsFilteredAndLimited) {
    EXPECT_EQ(filterDoorCode(u"1-2-3-4", 7), (EditState{u"1234", 4}));
    EXPECT_EQ(filterDoorCode(u"code: 4711\n", 11), (EditState{u"4711", 4}));
    // Too long: the end of what was inserted at the caret goes.
    EXPECT_EQ(filterDoorCode(u"123456", 6), (EditState{u"1234", 4}));
    EXPECT_EQ(filterDoorCode(u"51234", 1), (EditState{u"1234", 0}));
    EXPECT_EQ(filterDoorCode(u"12ab9934", 6), (EditState{u"1234", 2}));
    // A caret beyond the text is taken as its end.
    EXPECT_EQ(filterDoorCode(u"12", 99), (EditState{u"12", 2}));
}

}  // namespace
}  // namespace oculon::video
