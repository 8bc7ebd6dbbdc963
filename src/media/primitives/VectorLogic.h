#pragma once
// Bitwise logic on 32-bit words, shifts of 32-bit integers and byte-order
// swaps of 16-, 24- and 32-bit elements.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsAnd_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsAndC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len));
OCULON_IPP_ENTRY(ippsAndC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsOr_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsOrC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len));
OCULON_IPP_ENTRY(ippsOrC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsXor_32u_I, (const Ipp32u* pSrc, Ipp32u* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsXorC_32u, (const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len));
OCULON_IPP_ENTRY(ippsXorC_32u_I, (Ipp32u val, Ipp32u* pSrcDst, int len));

OCULON_IPP_ENTRY(ippsLShiftC_32s, (const Ipp32s* pSrc, int val, Ipp32s* pDst, int len));
OCULON_IPP_ENTRY(ippsLShiftC_32s_I, (int val, Ipp32s* pSrcDst, int len));
// Arithmetic shift; a count of 32 or more leaves each element's sign (0 or -1).
OCULON_IPP_ENTRY(ippsRShiftC_32s, (const Ipp32s* pSrc, int val, Ipp32s* pDst, int len));
OCULON_IPP_ENTRY(ippsRShiftC_32s_I, (int val, Ipp32s* pSrcDst, int len));

OCULON_IPP_ENTRY(ippsSwapBytes_16u, (const Ipp16u* pSrc, Ipp16u* pDst, int len));
OCULON_IPP_ENTRY(ippsSwapBytes_16u_I, (Ipp16u * pSrcDst, int len));
// Each 3-byte element has its first and last byte exchanged.
OCULON_IPP_ENTRY(ippsSwapBytes_24u, (const Ipp8u* pSrc, Ipp8u* pDst, int len));
OCULON_IPP_ENTRY(ippsSwapBytes_32u, (const Ipp32u* pSrc, Ipp32u* pDst, int len));
OCULON_IPP_ENTRY(ippsSwapBytes_32u_I, (Ipp32u * pSrcDst, int len));

}  // namespace oculon::primitives
