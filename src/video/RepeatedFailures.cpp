#include "video/RepeatedFailures.h"

namespace oculon::video {

RepeatedFailures::Count RepeatedFailures::failed(CallFailure kind, const std::string& reason) {
    Record& record = records_[static_cast<std::size_t>(kind)];
    if (record.times == 0 || record.reason != reason) record = {reason, 0, false};
    ++record.times;
    return {record.times, record.noted};
}

void RepeatedFailures::noted(CallFailure kind) {
    Record& record = records_[static_cast<std::size_t>(kind)];
    if (record.times > 0) record.noted = true;
}

void RepeatedFailures::cleared(CallFailure kind) { records_[static_cast<std::size_t>(kind)] = {}; }

RepeatedFailures& RepeatedFailures::program() {
    static RepeatedFailures record;
    return record;
}

}  // namespace oculon::video
