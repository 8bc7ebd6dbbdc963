// Binding of the entry points: without any primitive library every name runs
// its built-in body; with stand-in libraries on the search path exactly the
// names they export (from the right library) run the export.

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
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

// The export names of the image libraries, which the image table hands to
// the loader: a name spelt otherwise in the table never finds its export.
constexpr const char* kImageExports =
    "ippiCopy_8u_C1C3R ippiCopy_8u_C1C4R ippiCopy_8u_C3C1R ippiCopy_8u_C4C1R ippiCopy_8u_C3AC4R "
    "ippiCopy_8u_AC4C3R ippiCopy_8u_P3C3R ippiSet_8u_C3R ippiSet_8u_C3CR ippiSet_8u_AC4R ippiSet_8u_C4CR "
    "ippiMirror_8u_C1R ippiMirror_16u_C1R ippiSwapChannels_8u_C3IR ippiSwapChannels_8u_C3R ippsSwapBytes_16u_I "
    "ippiCopy_8u_C3R ippiCopy_8u_AC4R ippiCopy_8u_C4CR ippiSet_8u_C1R ippiMirror_8u_C3IR ippiMirror_8u_C4IR "
    "ippiMirror_8u_AC4R ippiMirror_8u_AC4IR ippiMirror_8u_C1IR ippiSwapChannels_8u_AC4R ippiYUV422ToRGB_8u_C2C3R "
    "ippiRGBToYUV422_8u_C3C2R ippiYCbCr420ToRGB_8u_P3C3R ippiRGBToYCbCr420_8u_C3P3R "
    "ippiYCbCr420ToRGB555_8u16u_P3C3R ippiYCbCr420ToRGB565_8u16u_P3C3R ippiColorToGray_8u_C3C1R "
    "ippiColorToGray_8u_AC4C1R ippiYUV420ToRGB_8u_P3C3R ippiColorTwist32f_8u_C3R ippiMax_8u_C1R "
    "ippiAdd_8u_C3IRSfs ippiAdd_8u_AC4IRSfs ippiSub_8u_C3IRSfs ippiSub_8u_AC4IRSfs ippiMul_8u_C3IRSfs "
    "ippiMul_8u_AC4IRSfs ippiDiv_8u_C3IRSfs ippiDiv_8u_AC4IRSfs ippiAdd_8u_C3RSfs ippiAdd_8u_C4RSfs "
    "ippiAdd_8u_AC4RSfs ippiAdd_8u_C1RSfs ippiAdd_16u_C1RSfs ippiSub_8u_C3RSfs ippiSub_8u_AC4RSfs "
    "ippiSub_8u_C1RSfs ippiSub_16u_C1RSfs ippiMul_8u_C3RSfs ippiMul_8u_AC4RSfs ippiMul_8u_C1RSfs "
    "ippiMul_16u_C1RSfs ippiDiv_8u_C3RSfs ippiDiv_8u_AC4RSfs ippiDiv_8u_C1RSfs ippiDiv_16s_C1RSfs "
    "ippiAddC_8u_C3IRSfs ippiAddC_8u_AC4IRSfs ippiAddC_8u_C4IRSfs ippiSubC_8u_C3IRSfs ippiSubC_8u_C4IRSfs "
    "ippiMulC_8u_C3IRSfs ippiMulC_8u_AC4IRSfs ippiMulC_8u_C4IRSfs ippiDivC_8u_C3IRSfs ippiDivC_8u_C4IRSfs "
    "ippiDivC_8u_AC4IRSfs ippiSqr_8u_C3IRSfs ippiSqr_8u_AC4IRSfs ippiSqr_8u_C3RSfs ippiSqr_8u_AC4RSfs "
    "ippiAnd_8u_C3IR ippiAnd_8u_C1IR ippiAnd_16u_C1IR ippiAnd_8u_AC4IR ippiOr_8u_C3IR ippiOr_8u_C1IR "
    "ippiOr_16u_C1IR ippiOr_8u_AC4IR ippiXor_8u_C3IR ippiXor_8u_C1IR ippiXor_16u_C1IR ippiXor_8u_AC4IR "
    "ippiNot_8u_C3IR ippiNot_8u_AC4IR ippiNot_8u_C3R ippiNot_8u_AC4R ippiAndC_8u_C3IR ippiAndC_8u_C4IR "
    "ippiAndC_8u_AC4IR ippiOrC_8u_C3IR ippiOrC_8u_AC4IR ippiOrC_8u_C4IR ippiXorC_8u_C3IR ippiXorC_8u_AC4IR "
    "ippiXorC_8u_C4IR ippiLShiftC_8u_C3IR ippiLShiftC_8u_AC4IR ippiLShiftC_8u_C4IR ippiRShiftC_8u_C3IR "
    "ippiRShiftC_8u_C4IR ippiRShiftC_8u_AC4IR ippiAbsDiff_8u_C1R ippiAbsDiff_16u_C1R ippiMulCScale_8u_C3IR "
    "ippiMulCScale_8u_AC4IR ippiMulCScale_8u_C4IR ippiMulScale_8u_C1IR ippiMulScale_16u_C1IR "
    "ippiMulScale_8u_C3IR ippiMulScale_8u_AC4IR ippiAnd_8u_C4IR ippiOr_8u_C4IR ippiXor_8u_C4IR ippiNot_8u_C4IR "
    "ippiAnd_8u_C3R ippiAnd_8u_AC4R ippiAnd_8u_C1R ippiAnd_16u_C1R ippiOr_8u_C3R ippiOr_8u_AC4R ippiOr_8u_C1R "
    "ippiOr_16u_C1R ippiXor_8u_C3R ippiXor_8u_AC4R ippiXor_8u_C1R ippiXor_16u_C1R ippiAndC_8u_C3R ippiOrC_8u_C3R "
    "ippiXorC_8u_C3R ippiLShiftC_8u_C3R ippiRShiftC_8u_C3R ippiAbsDiffC_8u_C1R ippiMulCScale_8u_C1IR "
    "ippiMulCScale_16u_C1IR ippiMulCScale_8u_C1R ippiMulCScale_16u_C1R ippiMulCScale_8u_C3R ippiMulCScale_8u_C4R "
    "ippiMulScale_8u_C4IR ippiAlphaCompC_8u_C3R ippiAlphaCompC_8u_C1R ippiAlphaCompC_16u_C1R "
    "ippiAlphaCompC_8u_C4R ippiFilterColumn32f_8u_C3R ippiFilterColumn32f_8u_C4R ippiFilterColumn32f_8u_C1R "
    "ippiFilterColumn32f_16s_C1R ippiFilterRow32f_8u_C3R ippiFilterRow32f_8u_C4R ippiFilterRow32f_8u_C1R "
    "ippiFilterRow32f_16s_C1R ippiAddWeighted_8u32f_C1IR ippiAddWeighted_16u32f_C1IR ippiFilterWiener_8u_C3R "
    "ippiFilterWiener_8u_AC4R ippiFilterWiener_8u_C1R ippiFilterWiener_32f_C1R ippiFilterWienerGetBufferSize "
    "ippiFilterSobelHorizBorder_8u16s_C1R ippiFilterSobelVertBorder_8u16s_C1R "
    "ippiFilterSobelHorizGetBufferSize_8u16s_C1R ippiFilterSobelVertGetBufferSize_8u16s_C1R";

std::vector<std::string> namesOf(std::span<const EntryPoint> table) {
    std::vector<std::string> names;
    for (const EntryPoint& e : table) names.emplace_back(e.name);
    return names;
}

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += " " + n;
    return text;
}

TEST(Binding, ImageAndResizeTablesBindTheExportNamesOfTheImageLibraries) {
    std::vector<std::string> bound = namesOf(vdBasicEntries());
    std::vector<std::string> exports;
    std::istringstream words(kImageExports);
    for (std::string name; words >> name;) exports.push_back(name);
    std::sort(bound.begin(), bound.end());
    std::sort(exports.begin(), exports.end());
    std::vector<std::string> unknown, unbound;
    std::set_difference(bound.begin(), bound.end(), exports.begin(), exports.end(), std::back_inserter(unknown));
    std::set_difference(exports.begin(), exports.end(), bound.begin(), bound.end(), std::back_inserter(unbound));
    EXPECT_TRUE(unknown.empty()) << "no such export:" << listed(unknown);
    EXPECT_TRUE(unbound.empty()) << "not bound:" << listed(unbound);
    EXPECT_EQ(bound.size(), 169u);
    EXPECT_EQ(namesOf(vdColorTwistEntries()),
              (std::vector<std::string>{"ippiColorTwist32f_8u_C3IR", "ippiColorTwist32f_8u_AC4IR"}));
    EXPECT_EQ(namesOf(sgResizeEntries()),
              (std::vector<std::string>{"ippiResize_8u_C3R", "ippiResize_8u_C4R", "ippiResize_8u_C1R",
                                        "ippiResize_16u_C1R", "ippiResizeCenter_8u_C4R"}));
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
