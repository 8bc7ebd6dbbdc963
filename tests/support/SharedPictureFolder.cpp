#include "support/SharedPictureFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/ChildProcess.h"

namespace oculon::testsupport {

void makeFolderOf(const std::string& folder, mode_t mode, unsigned owner) {
    std::filesystem::create_directories(folder);
    EXPECT_EQ(::chown(folder.c_str(), owner, owner), 0) << folder;
    EXPECT_EQ(::chmod(folder.c_str(), mode), 0) << folder;
}

void forEachPlanted(const std::vector<PlantedFolders>& rows,
                    const std::function<bool(const std::string& pics, const PlantedFolders& row)>& write) {
    for (const PlantedFolders& row : rows) {
        if (row.othersNeeded && ::geteuid() != 0) continue;
        TempDir shared;
        ::chmod(shared.path().c_str(), 01777);
        const std::string pics = shared.path() + "/";
        std::filesystem::create_directory(pics + "theirs");
        row.plant(pics);
        const auto written = [&] { return write(pics, row); };
        EXPECT_TRUE(row.writtenAsNobody ? asNobody(written) : written()) << row.what;
        EXPECT_TRUE(std::filesystem::is_empty(pics + "theirs")) << row.what;
    }
}

}  // namespace oculon::testsupport
