#include "video/PictureFolder.h"

#include "platform/PrivateFiles.h"

namespace oculon::video {

platform::FolderWorker& pictureFolderWorker() {
    static auto* worker = new platform::FolderWorker("Picture folder");
    return *worker;
}

void lookAtPictureFolder(const std::string& root, std::function<void(bool missing)> answer) {
    // No verdict is kept between calls: one a call before found would be
    // told after the folder was made, or withheld after it went.
    pictureFolderWorker().post([root, answer = std::move(answer)] {
        const bool missing = !platform::isDirectory(root);
        platform::FolderWorker::report([answer, missing] { answer(missing); });
    });
}

}  // namespace oculon::video
