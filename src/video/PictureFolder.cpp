#include "video/PictureFolder.h"

#include <mutex>

#include "platform/PrivateFiles.h"

namespace oculon::video {

namespace {

// What the worker found when it last looked at a picture folder.
struct LastLook {
    std::mutex mutex;
    std::string root;
    bool missing = false;
};

}  // namespace

platform::FolderWorker& pictureFolderWorker() {
    static auto* worker = new platform::FolderWorker("Picture folder");
    return *worker;
}

bool pictureFolderMissing(const std::string& root) {
    static auto* last = new LastLook;  // the worker may look after the program's end
    bool missing = false;
    {
        std::lock_guard lock(last->mutex);
        missing = last->root == root && last->missing;
    }
    pictureFolderWorker().post([root] {
        const bool gone = !platform::isDirectory(root);
        std::lock_guard lock(last->mutex);
        last->root = root;
        last->missing = gone;
    });
    return missing;
}

}  // namespace oculon::video
