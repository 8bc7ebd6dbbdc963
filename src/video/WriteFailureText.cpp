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
        case ETIMEDOUT: return config::tr(config::txtFolderNotAnswering);  // a share that stopped answering
        default: return std::strerror(error);
    }
}

// What stood in the way of a file, in the user's words; nothing stood
// there where the system gave no random numbers for a name.
const config::TText& inTheWay(platform::Intruder intruder) {
    using platform::Intruder;
    switch (intruder) {
        case Intruder::none: break;
        case Intruder::link: return config::txtLinkInTheWay;
        case Intruder::fifo: return config::txtFifoInTheWay;
        case Intruder::folder: return config::txtFolderInTheWay;
        case Intruder::special: return config::txtDeviceInTheWay;
        case Intruder::othersFile: return config::txtOthersFileInTheWay;
        case Intruder::otherFile: return config::txtOtherFileInTheWay;
        case Intruder::taken: return config::txtNameTakenAway;
        case Intruder::folderGone: return config::txtFolderRemoved;
    }
    return config::txtNoRandomNumbers;
}

}  // namespace

std::string fileFailureText(const platform::FileFailure& failure, const std::string& fileName) {
    if (failure.intruder == platform::Intruder::none && !failure.noRandomness)
        return fileName + ": " + failure.reason();
    return fileName + ": " + config::tr(inTheWay(failure.intruder));
}

std::string recordingFailureText(const RecordingFailure& failure) {
    const std::string why = failure.intruder != platform::Intruder::none ? config::tr(inTheWay(failure.intruder))
                            : failure.error != 0                         ? systemReason(failure.error)
                                                                         : failure.what;
    return config::tr(config::txtNotRecording) + why;
}

}  // namespace oculon::video
