#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/SampleFillCopy.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace oculon::primitives {

namespace {

// Declaration order; a library that exports a name replaces exactly that one.
constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiAdd_8u_C1IRSfs),     // 1
    OCULON_BIND(ippiAdd_16s_C1IRSfs),    // 2
    OCULON_BIND(ippiSub_8u_C1IRSfs),     // 3
    OCULON_BIND(ippiSub_16s_C1IRSfs),    // 4
    OCULON_BIND(ippiMul_8u_C1IRSfs),     // 5
    OCULON_BIND(ippiMul_16s_C1IRSfs),    // 6
    OCULON_BIND(ippiDiv_8u_C1IRSfs),     // 7
    OCULON_BIND(ippiDiv_16s_C1IRSfs),    // 8
    OCULON_BIND(ippsDivC_16s_ISfs),      // 9
    OCULON_BIND(ippsDivC_16s_Sfs),       // 10
    OCULON_BIND(ippsSet_16s),            // 11
    OCULON_BIND(ippsConvert_8s16s),      // 12
    OCULON_BIND(ippiScale_16u8u_C1R),    // 13
    OCULON_BIND(ippiScale_8u16u_C1R),    // 14
    OCULON_BIND(ippiSet_8u_C1R),         // 15
    OCULON_BIND(ippiSet_16s_C1R),        // 16
    OCULON_BIND(ippiSet_32s_C1R),        // 17
    OCULON_BIND(ippsAddC_8u_ISfs),       // 18
    OCULON_BIND(ippsAddC_8u_Sfs),        // 19
    OCULON_BIND(ippsAddC_16s_ISfs),      // 20
    OCULON_BIND(ippsAddC_16s_Sfs),       // 21
    OCULON_BIND(ippiAddC_8u_C1IRSfs),    // 22
    OCULON_BIND(ippiAddC_8u_C1RSfs),     // 23
    OCULON_BIND(ippiAddC_16s_C1IRSfs),   // 24
    OCULON_BIND(ippiAddC_16s_C1RSfs),    // 25
    OCULON_BIND(ippsSubC_8u_ISfs),       // 26
    OCULON_BIND(ippsSubC_8u_Sfs),        // 27
    OCULON_BIND(ippsSubC_16s_ISfs),      // 28
    OCULON_BIND(ippsSubC_16s_Sfs),       // 29
    OCULON_BIND(ippiSubC_8u_C1IRSfs),    // 30
    OCULON_BIND(ippiSubC_8u_C1RSfs),     // 31
    OCULON_BIND(ippiSubC_16s_C1IRSfs),   // 32
    OCULON_BIND(ippiSubC_16s_C1RSfs),    // 33
    OCULON_BIND(ippsMulC_8u_ISfs),       // 34
    OCULON_BIND(ippsMulC_8u_Sfs),        // 35
    OCULON_BIND(ippsMulC_16s_ISfs),      // 36
    OCULON_BIND(ippsMulC_16s_Sfs),       // 37
    OCULON_BIND(ippiMulC_8u_C1IRSfs),    // 38
    OCULON_BIND(ippiMulC_8u_C1RSfs),     // 39
    OCULON_BIND(ippiMulC_16s_C1IRSfs),   // 40
    OCULON_BIND(ippiMulC_16s_C1RSfs),    // 41
    OCULON_BIND(ippsDivC_8u_ISfs),       // 42
    OCULON_BIND(ippsDivC_8u_Sfs),        // 43
    OCULON_BIND(ippiDivC_8u_C1IRSfs),    // 44
    OCULON_BIND(ippiDivC_8u_C1RSfs),     // 45
    OCULON_BIND(ippiDivC_16s_C1IRSfs),   // 46
    OCULON_BIND(ippiDivC_16s_C1RSfs),    // 47
    OCULON_BIND(ippiCopy_8u_C1R),        // 48
    OCULON_BIND(ippiCopy_16s_C1R),       // 49
    OCULON_BIND(ippiConvert_8u32f_C1R),  // 50
    OCULON_BIND(ippiConvert_32f8u_C1R),  // 51
    OCULON_BIND(ippiScale_8u16s_C1R),    // 52
    OCULON_BIND(ippiScale_8u32s_C1R),    // 53
    OCULON_BIND(ippiScale_16s8u_C1R),    // 54
    OCULON_BIND(ippiScale_32s8u_C1R),    // 55
};

}  // namespace

std::span<const EntryPoint> auBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
