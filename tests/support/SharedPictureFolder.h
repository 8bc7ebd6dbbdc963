#pragma once
// A picture folder shared with another account (1777), in which that account
// made folders ahead of the user at the names snapshots and recordings will
// take: the rows the writers of those files are tried with.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace oculon::testsupport {

// Makes `folder` (with missing parents) and gives it to `owner` with `mode`.
void makeFolderOf(const std::string& folder, mode_t mode, unsigned owner);

struct PlantedFolders {
    const char* what;
    // Plants in the picture folder (given with its closing '/'); a folder
    // "theirs" is there already, for a link to point to.
    std::function<void(const std::string& pics)> plant;
    bool othersNeeded;             // hands folders to another account: root only
    bool writtenAsNobody = false;  // to whom root's folders are closed
};

// For every row that can be tried here, a fresh shared picture folder with
// the row planted: `write` (as nobody where the row asks) must succeed, and
// nothing may have gone into "theirs".
void forEachPlanted(const std::vector<PlantedFolders>& rows,
                    const std::function<bool(const std::string& pics, const PlantedFolders& row)>& write);

}  // namespace oculon::testsupport
