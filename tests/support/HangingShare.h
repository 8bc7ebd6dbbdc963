#pragma once
// A share that stops answering, for the tests: the pass-through FUSE file
// system of tests/support/hangfs.c over a folder of its own, mounted in the
// test's private mount namespace (tools/netns-run gives one). While asleep,
// its calls that make or change something wait; while its reads are held,
// stat, listings, open and read wait too. Unusable where FUSE is not
// (no hangfs built, no /dev/fuse, a mount refused): available() says why.

#include <memory>
#include <string>

#include "support/ChildProcess.h"

namespace oculon::testsupport {

class HangingShare {
public:
    HangingShare();
    // Wakes the share, so that nothing stays stuck in it, and unmounts it.
    ~HangingShare();
    HangingShare(const HangingShare&) = delete;
    HangingShare& operator=(const HangingShare&) = delete;

    // Empty when the share is mounted, else why not.
    const std::string& unavailable() const { return why_; }
    // The mounted folder.
    std::string path() const { return folder_.path() + "/share"; }
    void sleep();
    void holdReads();
    // Lets writes and reads go on.
    void wake();

private:
    TempDir folder_;
    std::unique_ptr<ChildProcess> fuse_;
    std::string why_;
};

}  // namespace oculon::testsupport
