#pragma once
// Test signals: the Jaehne chirp and uniformly distributed pseudo-random
// numbers with a reproducible sequence per seed.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// magn x sin((pi/2 / len) x i x i) for i = 0 .. len-1; a negative magn gives
// ippStsJaehneErr and writes nothing.
OCULON_IPP_ENTRY(ippsVectorJaehne_64f, (Ipp64f * pDst, int len, Ipp64f magn));
// len numbers spread over low..high. The same seed gives the same numbers;
// *pSeed is replaced by the generator's last word, the seed of a new run.
OCULON_IPP_ENTRY(ippsRandUniform_Direct_64f, (Ipp64f * pDst, int len, Ipp64f low, Ipp64f high, unsigned int* pSeed));

}  // namespace oculon::primitives
