#include "video/WriteFailureText.h"

#include <cerrno>
#include <cstring>

#include "config/sprachen.h"

namespace oculon::video {

namespace {

std::string systemReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT: return config::tr(config::txtDiskFull);
        case ENOENT:
        case ENOTDIR:
        case EEXIST: return config::tr(config::txtFolderMissing);  // EEXIST: a file where the folder belongs
        case EACCES:
        case EPERM:
        case EROFS: return config::tr(config::txtFolderNotWritable);
        default: return std::strerror(error);
    }
}

}  // namespace

std::string fileFailureText(const platform::FileFailure& failure, const std::string& fileName) {
    using platform::Intruder;
    const config::TText* said = nullptr;
    switch (failure.intruder) {
        case Intruder::none:
            if (!failure.noRandomness) return fileName + ": " + failure.reason();
            said = &config::txtNoRandomNumbers;
            break;
        case Intruder::link: said = &config::txtLinkInTheWay; break;
        case Intruder::fifo: said = &config::txtFifoInTheWay; break;
        case Intruder::folder: said = &config::txtFolderInTheWay; break;
        case Intruder::special: said = &config::txtDeviceInTheWay; break;
        case Intruder::othersFile: said = &config::txtOthersFileInTheWay; break;
        case Intruder::otherFile: said = &config::txtOtherFileInTheWay; break;
        case Intruder::taken: said = &config::txtNameTakenAway; break;
        case Intruder::folderGone: said = &config::txtFolderRemoved; break;
    }
    return fileName + ": " + config::tr(*said);
}

std::string recordingFailureText(const RecordingFailure& failure) {
    return config::tr(config::txtNotRecording) + (failure.error != 0 ? systemReason(failure.error) : failure.what);
}

}  // namespace oculon::video
