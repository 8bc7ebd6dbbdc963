#pragma once
// Failures that come back with every call: on a full disk each call's first
// picture and its recording fail again. The user is told of such a failure
// until they have taken note of it, then not again until it changes or
// writing has worked once; told again, it says how often it came.

#include <array>
#include <cstdint>
#include <string>

namespace oculon::video {

enum class CallFailure : std::uint8_t { picture, recording, pictureFolder };
inline constexpr std::size_t kCallFailureKinds = 3;

class RepeatedFailures {
public:
    struct Count {
        int times = 0;       // since it began
        bool noted = false;  // the user has taken note of it
    };
    // A failure of `kind`; `reason` stays the same for as long as it is the
    // same failure.
    Count failed(CallFailure kind, const std::string& reason);
    // The user has read what was told last of `kind`.
    void noted(CallFailure kind);
    // Writing of that kind works (again).
    void cleared(CallFailure kind);

    // The program's one record; main thread only.
    static RepeatedFailures& program();

private:
    struct Record {
        std::string reason;
        int times = 0;
        bool noted = false;
    };
    std::array<Record, kCallFailureKinds> records_;
};

}  // namespace oculon::video
