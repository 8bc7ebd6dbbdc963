// Snapshots are written only into files of their own: never through a
// symbolic link that someone who can write the folder planted at the name,
// also not when it is planted in the moment the name is found free.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>

#include "support/ChildProcess.h"
#include "support/LinkPlanter.h"
#include "video/ui/VideoImage.h"

using namespace oculon;
using oculon::video::ui::saveJpeg;

TEST(Snapshot, NeverWrittenThroughALinkAtItsName) {
    testsupport::TempDir dir;
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const std::string victim = dir.write("victim", "theirs");
    const std::string name = dir.path() + "/Door 12-30-05.jpg";
    EXPECT_EQ(saveJpeg(picture, name), "");
    EXPECT_EQ(saveJpeg(picture, name), "");  // a snapshot of that name is replaced
    EXPECT_EQ(testsupport::readFile(name).substr(0, 2), "\xFF\xD8");
    ::unlink(name.c_str());

    std::filesystem::create_symlink(victim, name);
    EXPECT_NE(saveJpeg(picture, name), "");
    ::unlink(name.c_str());
    int saved = 0;
    {
        testsupport::LinkPlanter planter(name, victim);
        for (int i = 0; i < 1000; ++i) {
            saved += saveJpeg(picture, name).empty() ? 1 : 0;
            ::unlink(name.c_str());
        }
    }
    EXPECT_EQ(testsupport::readFile(victim), "theirs") << saved << " snapshots of 1000 saved";
}
