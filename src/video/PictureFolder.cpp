#include "video/PictureFolder.h"

#include <mutex>
#include <utility>
#include <vector>

#include "platform/PrivateFiles.h"

namespace oculon::video {

namespace {

// A thread for each folder in use, and no more than this many: each one
// that a share holds in a call stays until the share answers.
constexpr std::size_t kMostFolders = 8;

struct Workers {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::shared_ptr<platform::FolderWorker>>> byFolder;
};

}  // namespace

std::shared_ptr<platform::FolderWorker> folderWorker(const std::string& folder) {
    static auto* workers = new Workers;  // a job may be stuck in one when the program ends
    std::string key = folder;
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    std::lock_guard lock(workers->mutex);
    auto& all = workers->byFolder;
    for (const auto& [name, worker] : all)
        if (name == key) return worker;
    const auto made = [] { return std::make_shared<platform::FolderWorker>("Picture folder"); };
    if (all.size() < kMostFolders) return all.emplace_back(key, made()).second;
    for (auto& entry : all) {
        if (entry.second.use_count() == 1 && entry.second->idle()) {
            entry = {key, made()};
            return entry.second;
        }
    }
    // Every one in use: the folder shares the worker of one that answers.
    for (const auto& entry : all)
        if (!entry.second->stuck()) return entry.second;
    return all.front().second;
}

void lookAtPictureFolder(const std::string& root, std::function<void(bool missing)> answer) {
    // No verdict is kept between calls: one a call before found would be
    // told after the folder was made, or withheld after it went.
    folderWorker(root)->post([root, answer = std::move(answer)] {
        const bool missing = !platform::isDirectory(root);
        platform::FolderWorker::report([answer, missing] { answer(missing); });
    });
}

}  // namespace oculon::video
