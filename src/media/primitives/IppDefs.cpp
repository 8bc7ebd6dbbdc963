#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

const char* ippStatusName(IppStatus status) {
    switch (status) {
        case ippStsNoErr: return "ippStsNoErr";
        case ippStsSqrtNegArg: return "ippStsSqrtNegArg";
        case ippStsDivByZero: return "ippStsDivByZero";
        case ippStsLnZeroArg: return "ippStsLnZeroArg";
        case ippStsLnNegArg: return "ippStsLnNegArg";
        case ippStsBadArgErr: return "ippStsBadArgErr";
        case ippStsSizeErr: return "ippStsSizeErr";
        case ippStsNullPtrErr: return "ippStsNullPtrErr";
        case ippStsMemAllocErr: return "ippStsMemAllocErr";
        case ippStsDivByZeroErr: return "ippStsDivByZeroErr";
        case ippStsStepErr: return "ippStsStepErr";
        case ippStsFftOrderErr: return "ippStsFftOrderErr";
        case ippStsFftFlagErr: return "ippStsFftFlagErr";
        case ippStsContextMatchErr: return "ippStsContextMatchErr";
        case ippStsThreshNegLevelErr: return "ippStsThreshNegLevelErr";
        case ippStsMirrorFlipErr: return "ippStsMirrorFlipErr";
        case ippStsInterpolationErr: return "ippStsInterpolationErr";
        case ippStsResizeFactorErr: return "ippStsResizeFactorErr";
        case ippStsFIRLenErr: return "ippStsFIRLenErr";
        case ippStsShiftErr: return "ippStsShiftErr";
        case ippStsMaskSizeErr: return "ippStsMaskSizeErr";
        case ippStsAnchorErr: return "ippStsAnchorErr";
        case ippStsJaehneErr: return "ippStsJaehneErr";
        case ippStsHugeWinErr: return "ippStsHugeWinErr";
        case ippStsAlphaTypeErr: return "ippStsAlphaTypeErr";
        case ippStsNumChannelsErr: return "ippStsNumChannelsErr";
        case ippStsChannelOrderErr: return "ippStsChannelOrderErr";
        case ippStsLUTNofLevelsErr: return "ippStsLUTNofLevelsErr";
        case ippStsNotEvenStepErr: return "ippStsNotEvenStepErr";
        default: return nullptr;
    }
}

}  // namespace oculon::primitives
