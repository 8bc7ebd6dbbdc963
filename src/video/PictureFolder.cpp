#include "video/PictureFolder.h"

namespace oculon::video {

platform::FolderWorker& pictureFolderWorker() {
    static auto* worker = new platform::FolderWorker("Picture folder");
    return *worker;
}

}  // namespace oculon::video
