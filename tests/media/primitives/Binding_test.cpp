// Binding of the entry points: without any primitive library every name runs
// its built-in body; with stand-in libraries on the search path exactly the
// names they export (from the right library) run the export.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/IppLoaders.h"
#include "media/primitives/SGScopeDispatcher.h"
#include "media/primitives/VectorFillCopy.h"
#include "media/primitives/VectorLogic.h"

extern char** environ;

namespace oculon::primitives {
namespace {

constexpr const char* kChildMarker = "OCULON_IPP_STUB_CHILD";

bool inStubChild() { return std::getenv(kChildMarker) != nullptr; }

std::vector<const EntryPoint*> allEntries() {
    std::vector<const EntryPoint*> all;
    for (Dispatcher d : kDispatchers)
        for (const EntryPoint& e : dispatcherEntries(d)) all.push_back(&e);
    return all;
}

TEST(Binding, WithoutLibrariesEveryNameHoldsItsBody) {
    if (inStubChild()) GTEST_SKIP() << "the stub child checks the mixed binding";
    bindPrimitives();
    for (const EntryPoint* e : allEntries()) {
        SCOPED_TRACE(e->name);
        EXPECT_EQ(e->current(), e->body());
    }
    EXPECT_EQ(ippsSVD_64f_D2L, nullptr);
    EXPECT_EQ(ippGetCpuType, &ippGetCpuType_Default);
    EXPECT_EQ(ippGetCpuType(), 0);
    EXPECT_EQ(GetIPPSProcAddress("ippsZero_8u"), nullptr);
    EXPECT_EQ(GetIPPIProcAddress("ippiMirror_8u_C3IR"), nullptr);
    EXPECT_EQ(GetIPPCoreProcAddress("ippGetCpuType"), nullptr);
    // Calls go to the bodies.
    EXPECT_EQ(ippsZero_8u(nullptr, 1), ippStsNullPtrErr);
}

TEST(Binding, BindsOncePerProcess) {
    if (inStubChild()) GTEST_SKIP();
    bindPrimitives();
    const EntryPoint& e = sgBasicEntries().front();
    static int marker;
    e.assign(&marker);
    bindPrimitives();  // must not bind again
    EXPECT_EQ(e.current(), &marker);
    e.assign(nullptr);
    EXPECT_EQ(e.current(), e.body());
}

// But for the scope dispatcher's double-to-float conversion, which has a
// variable and a body of its own.
TEST(Binding, ANameInSeveralTablesIsOneEntryPointWithOneBody) {
    std::map<std::string, const EntryPoint*> first;
    for (Dispatcher d : kDispatchers) {
        std::set<std::string> inTable;
        for (const EntryPoint& e : dispatcherEntries(d)) {
            SCOPED_TRACE(std::string(dispatcherName(d)) + " " + e.name);
            EXPECT_TRUE(inTable.insert(e.name).second) << "listed twice";
            if (d == Dispatcher::SGScopeDispatcher && std::string(e.name) == "ippsConvert_64f32f") {
                EXPECT_EQ(e.body(), reinterpret_cast<const void*>(&scope::_px_ippsConvert_64f32f));
                EXPECT_NE(e.body(), reinterpret_cast<const void*>(&_px_ippsConvert_64f32f));
                continue;
            }
            auto [it, isNew] = first.emplace(e.name, &e);
            if (!isNew) {
                EXPECT_EQ(e.current(), it->second->current());
                EXPECT_EQ(e.body(), it->second->body());
                EXPECT_EQ(e.loader, it->second->loader);
            }
        }
    }
}

TEST(Binding, SampleTablesBindTheirWholeListInOrder) {
    const auto au = auBasicEntries();
    ASSERT_EQ(au.size(), 55u);
    EXPECT_STREQ(au[0].name, "ippiAdd_8u_C1IRSfs");
    EXPECT_STREQ(au[16].name, "ippiSet_32s_C1R");
    EXPECT_STREQ(au[41].name, "ippsDivC_8u_ISfs");
    EXPECT_EQ(au[41].loader, Loader::Signal);
    EXPECT_STREQ(au[54].name, "ippiScale_32s8u_C1R");
    ASSERT_EQ(sgNormEntries().size(), 1u);
    EXPECT_STREQ(sgNormEntries()[0].name, "ippsNorm_L2_64fc64f");
}

TEST(Binding, TheNamesPrefixChoosesTheLibrary) {
    for (const EntryPoint* e : allEntries()) {
        SCOPED_TRACE(e->name);
        const bool signal = std::string(e->name).rfind("ipps", 0) == 0;
        if (std::string(e->name) == "ippsSVD_64f_D2L") EXPECT_EQ(e->loader, Loader::Image);
        else EXPECT_EQ(e->loader, signal ? Loader::Signal : Loader::Image);
    }
}

#ifdef OCULON_IPP_STUB_DIR

// Runs this test program again with the stand-in libraries on the loader's
// search path; binding happens once per process, so the mixed case needs a
// process of its own.
TEST(Binding, LibraryExportsReplaceExactlyTheirNames) {
    if (inStubChild()) GTEST_SKIP();
    std::vector<std::string> env;
    std::string path = OCULON_IPP_STUB_DIR;
    for (char** e = environ; *e; ++e) {
        std::string var = *e;
        if (var.rfind("LD_LIBRARY_PATH=", 0) == 0) path += ":" + var.substr(16);
        else if (var.rfind("GTEST_", 0) != 0) env.push_back(var);
    }
    env.push_back("LD_LIBRARY_PATH=" + path);
    env.push_back(std::string(kChildMarker) + "=1");
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);

    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=StubBinding.*";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data()), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's failures are printed above";
}

TEST(StubBinding, ExportsWinOnlyFromTheirOwnLibrary) {
    if (!inStubChild()) GTEST_SKIP() << "runs in the child process";
    bindPrimitives();

    // The signal stub exports ippsZero_8u and ippsSwapBytes_16u_I; the
    // colour-conversion stub (no image library present) ippiMirror_8u_C3IR
    // and ippiSet_8u_C4R. Each also exports a name of the other family.
    const std::set<std::string> taken = {"ippsZero_8u", "ippsSwapBytes_16u_I", "ippiMirror_8u_C3IR", "ippiSet_8u_C4R"};
    for (const EntryPoint* e : allEntries()) {
        SCOPED_TRACE(e->name);
        if (taken.count(e->name)) {
            void* exported = e->loader == Loader::Signal ? GetIPPSProcAddress(e->name) : GetIPPIProcAddress(e->name);
            ASSERT_NE(exported, nullptr);
            EXPECT_EQ(e->current(), exported);
            EXPECT_NE(e->current(), e->body());
        } else {
            EXPECT_EQ(e->current(), e->body());
        }
    }
    EXPECT_EQ(ippsSVD_64f_D2L, nullptr);

    const IppiSize one{1, 1};
    Ipp8u px[4] = {};
    EXPECT_EQ(ippsZero_8u(nullptr, 0), 1001);
    EXPECT_EQ(ippsSwapBytes_16u_I(nullptr, 0), 1002);
    EXPECT_EQ(ippiMirror_8u_C3IR(px, 3, one, ippAxsBoth), 2001);
    EXPECT_EQ(ippiSet_8u_C4R(px, px, 4, one), 2002);

    // Exported by the wrong library: present, but the body runs.
    EXPECT_NE(GetIPPSProcAddress("ippiCopy_8u_C3R"), nullptr);
    EXPECT_EQ(ippiCopy_8u_C3R(nullptr, 3, px, 3, one), ippStsNullPtrErr);
    EXPECT_EQ(GetIPPSProcAddress("ippsSet_8u"), nullptr);
    EXPECT_EQ(ippsSet_8u(0, nullptr, 1), ippStsNullPtrErr);

    EXPECT_EQ(ippGetCpuType, &ippGetCpuType_Default);
}

#endif

}  // namespace
}  // namespace oculon::primitives
