#include "player/RecordingsFolder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <utility>

#include "config/SavePath.h"

namespace oculon::player {

namespace {

using FileId = std::pair<dev_t, ino_t>;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::string folded(const std::string& name) {
    std::string out = name;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Names in `folder` that are not hidden and whose target (links followed)
// passes `keep`, sorted as a person sorts: without regard to case first.
template <typename Keep>
std::vector<std::pair<std::string, struct stat>> entriesOf(const std::string& folder, Keep keep) {
    std::vector<std::pair<std::string, struct stat>> found;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') continue;  // also "." and ".."
        struct stat st {};
        if (::stat((folder + name).c_str(), &st) != 0 || !keep(st, name)) continue;
        found.emplace_back(name, st);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const std::string x = folded(a.first), y = folded(b.first);
        return x != y ? x < y : a.first < b.first;
    });
    return found;
}

void addFolders(const std::string& path, const std::string* camName, int depth, std::set<FileId>& seen,
                std::vector<FolderNode>& into) {
    if (depth > kMaxFolderDepth) return;
    const auto folders = entriesOf(path, [](const struct stat& st, const std::string&) { return S_ISDIR(st.st_mode); });
    for (const auto& [name, st] : folders) {
        if (!seen.insert({st.st_dev, st.st_ino}).second) continue;
        FolderNode node;
        node.name = name;
        node.data.dir = path + name + config::kPathDelimiter;
        node.data.camName = camName ? *camName : name;
        addFolders(node.data.dir, &node.data.camName, depth + 1, seen, node.children);
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

std::vector<FolderNode> scanFolderTree(const std::string& root) {
    std::vector<FolderNode> tree;
    const std::string prefix = folderPrefix(root);
    if (prefix.empty()) return tree;
    std::set<FileId> seen;
    struct stat st {};
    if (::stat(prefix.c_str(), &st) == 0) seen.insert({st.st_dev, st.st_ino});
    addFolders(prefix, nullptr, 1, seen, tree);
    return tree;
}

std::vector<TPreviewItem> listPreviewFiles(const TDirectory& folder) {
    std::vector<TPreviewItem> items;
    if (folder.dir.empty()) return items;
    const auto files = entriesOf(folder.dir, [](const struct stat& st, const std::string& name) {
        return S_ISREG(st.st_mode) && (endsWith(name, ".jpg") || endsWith(name, ".kvd"));
    });
    for (const auto& [name, st] : files) items.push_back({folder.dir + name, endsWith(name, ".kvd"), folder.camName});
    return items;
}

}  // namespace oculon::player
