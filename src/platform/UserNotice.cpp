#include "platform/UserNotice.h"

#include <mutex>

#include "platform/Log.h"

namespace oculon::platform {

namespace {

std::mutex showerMutex;
NoticeShower installed;

const char* plainText(Notice notice) {
    switch (notice) {
        case Notice::settingsNotSaved: return "settings not saved";
        case Notice::settingsUnusable: return "settings cannot be used";
        case Notice::settingsStartedAfresh: return "damaged settings set aside, starting afresh";
        case Notice::settingsPartlyRead: return "settings file kept aside, its wrong lines left out";
        case Notice::gatewayLibraryRefused: return "gateway library not loaded";
        case Notice::pictureNotSaved: return "picture not saved";
        case Notice::folderNotUsed: return "a folder below the picture folder is not used";
    }
    return "notice";
}

}  // namespace

void setNoticeShower(NoticeShower shower) {
    std::lock_guard lock(showerMutex);
    installed = std::move(shower);
}

void tellUser(Notice notice, const std::string& detail) {
    std::lock_guard lock(showerMutex);
    if (installed) {
        installed(notice, detail);
    } else {
        log::error(log::Category::platform, "%s: %s", plainText(notice), detail.c_str());
    }
}

}  // namespace oculon::platform
