/* A stand-in primitive library: a few exports with the entry points' C
 * signatures, each answering a status no built-in body ever returns, so a
 * test can tell which of the two it reached. Built twice, as the signal
 * library and as the colour-conversion library. Each also exports a name of
 * the other family, which the binding must not take from it. */
#include <stdint.h>

typedef struct {
    int width;
    int height;
} IppiSize;

#if defined(OCULON_STUB_ipps)

int32_t ippsZero_8u(uint8_t* pDst, int len) { (void)pDst; (void)len; return 1001; }
int32_t ippsSwapBytes_16u_I(uint16_t* pSrcDst, int len) { (void)pSrcDst; (void)len; return 1002; }
int32_t ippiCopy_8u_C3R(const uint8_t* pSrc, int srcStep, uint8_t* pDst, int dstStep, IppiSize roi)
{
    (void)pSrc; (void)srcStep; (void)pDst; (void)dstStep; (void)roi;
    return 1003;
}

#elif defined(OCULON_STUB_ippcc)

int32_t ippiMirror_8u_C3IR(uint8_t* pSrcDst, int step, IppiSize roi, int flip)
{
    (void)pSrcDst; (void)step; (void)roi; (void)flip;
    return 2001;
}
int32_t ippiSet_8u_C4R(const uint8_t* value, uint8_t* pDst, int dstStep, IppiSize roi)
{
    (void)value; (void)pDst; (void)dstStep; (void)roi;
    return 2002;
}
int32_t ippsSet_8u(uint8_t val, uint8_t* pDst, int len) { (void)val; (void)pDst; (void)len; return 2003; }

#endif
