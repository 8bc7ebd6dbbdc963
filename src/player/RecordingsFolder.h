#pragma once
// The recordings browser's view of the disk: the tree of folders below the
// picture path (one first-level folder per camera) and the pictures and
// recordings in one folder.

#include <string>
#include <vector>

#include "platform/OwnFolders.h"

namespace oculon::player {

// A folder of the tree: its full path, ending with the delimiter, and the
// camera it belongs to (the first-level folder below the root that holds it).
struct TDirectory {
    std::string dir;
    std::string camName;
};

struct FolderNode {
    std::string name;
    TDirectory data;
    std::vector<FolderNode> children;
};

// A file of the preview list: its full path and whether it is a recording
// (".kvd") rather than a picture (".jpg").
struct TPreviewItem {
    std::string dir;
    bool isVideo = false;
    std::string camName;
};

// A folder the tree leaves out though recordings may be in it, and why: a
// link (one the user made to a bigger disk, say: never followed below the
// picture folder), another account's folder, or one of ours closed to us.
struct LeftOutFolder {
    std::string dir;  // its full path, ending with the delimiter
    platform::LevelKind kind = platform::LevelKind::link;
};

// Folders deeper than this below the root are left out.
constexpr int kMaxFolderDepth = 32;

// The root as a folder prefix: with a closing delimiter, or empty when no
// picture path is set.
std::string folderPrefix(const std::string& root);

// The folders below `root`, sorted by name (case aside) at every level: the
// user's own, as snapshots and recordings use them (config::makeSaveFolder),
// so also those made beside a name others took. Hidden folders (a leading
// dot), links and other accounts' folders are left out; `root` itself may
// be a link. An empty root has no tree: it never stands for the current
// folder. Where `leftOut` is given, it gets the folders left out for what
// they are (hidden ones and links to no folder aside).
std::vector<FolderNode> scanFolderTree(const std::string& root, std::vector<LeftOutFolder>* leftOut = nullptr);

// The pictures and recordings directly in `folder`, sorted by file name
// (case aside):
// regular files, not hidden, whose name ends in exactly ".jpg" or ".kvd"
// (a capitalised extension is not one of ours).
std::vector<TPreviewItem> listPreviewFiles(const TDirectory& folder);

}  // namespace oculon::player
