#include "player/RecordingsFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <utility>

#include "config/SavePath.h"
#include "platform/OwnFolders.h"

namespace oculon::player {

namespace {

using FileId = std::pair<dev_t, ino_t>;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

std::string folded(const std::string& name) {
    std::string out = name;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Names in `dir` that are not hidden and pass `keep`, sorted as a person
// sorts: without regard to case first.
template <typename Keep>
std::vector<std::string> namesIn(DIR* dir, Keep keep) {
    std::vector<std::string> found;
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') continue;  // also "." and ".."
        if (keep(*entry)) found.push_back(name);
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        const std::string x = folded(a), y = folded(b);
        return x != y ? x < y : a < b;
    });
    return found;
}

// Whether the entry `name` in `fd`, not used as `kind`, is one a person
// would look for recordings in: a link only where it leads to a folder.
bool worthTelling(int fd, const std::string& name, platform::LevelKind kind) {
    using platform::LevelKind;
    if (kind == LevelKind::others || kind == LevelKind::closed) return true;
    struct stat target {};
    return kind == LevelKind::link && ::fstatat(fd, name.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode);
}

// The folders of this user's own in the folder open at `fd`, as the picture
// folder's levels are made: a link, or another account's folder, is neither
// shown nor entered, only told in `leftOut` where that is given.
void addFolders(int fd, const std::string& path, const std::string* camName, int depth, std::set<FileId>& seen,
                std::vector<FolderNode>& into, std::vector<LeftOutFolder>* leftOut) {
    if (depth > kMaxFolderDepth) return;
    const Dir dir(::fdopendir(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    const auto folders = namesIn(dir.get(), [leftOut](const dirent& e) {
        return e.d_type == DT_DIR || e.d_type == DT_UNKNOWN || (leftOut && e.d_type == DT_LNK);
    });
    for (const std::string& name : folders) {
        const platform::FolderLevel level = platform::openFolderLevel(fd, name);
        struct stat st {};
        if (level.kind != platform::LevelKind::own) {
            if (leftOut && worthTelling(fd, name, level.kind))
                leftOut->push_back({path + name + config::kPathDelimiter, level.kind});
            continue;
        }
        if (::fstat(level.fd.get(), &st) != 0) continue;
        // A folder mounted into itself would never end.
        if (!seen.insert({st.st_dev, st.st_ino}).second) continue;
        FolderNode node;
        node.name = name;
        node.data.dir = path + name + config::kPathDelimiter;
        node.data.camName = camName ? *camName : name;
        addFolders(level.fd.get(), node.data.dir, &node.data.camName, depth + 1, seen, node.children, leftOut);
        into.push_back(std::move(node));
    }
}

bool endsWith(const std::string& name, const std::string& suffix) {
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string folderPrefix(const std::string& root) {
    if (root.empty() || root.back() == config::kPathDelimiter) return root;
    return root + config::kPathDelimiter;
}

std::vector<FolderNode> scanFolderTree(const std::string& root, std::vector<LeftOutFolder>* leftOut) {
    std::vector<FolderNode> tree;
    const std::string prefix = folderPrefix(root);
    if (prefix.empty()) return tree;
    const platform::UniqueFd fd = platform::openChosenFolder(prefix);
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0) return tree;
    std::set<FileId> seen{{st.st_dev, st.st_ino}};
    addFolders(fd.get(), prefix, nullptr, 1, seen, tree, leftOut);
    return tree;
}

std::vector<TPreviewItem> listPreviewFiles(const TDirectory& folder) {
    std::vector<TPreviewItem> items;
    if (folder.dir.empty()) return items;
    const Dir dir(::opendir(folder.dir.c_str()));
    const auto files = namesIn(dir.get(), [&](const dirent& e) {
        const std::string name = e.d_name;
        struct stat st {};
        return (endsWith(name, ".jpg") || endsWith(name, ".kvd")) &&
               ::fstatat(::dirfd(dir.get()), e.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    });
    for (const auto& name : files) items.push_back({folder.dir + name, endsWith(name, ".kvd"), folder.camName});
    return items;
}

}  // namespace oculon::player
