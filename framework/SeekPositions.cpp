#include "framework/SeekPositions.h"

namespace tarnel {

HRESULT CheckSeekArguments(const int64_t* current, uint32_t currentFlags, const int64_t* stop,
                           uint32_t stopFlags) {
    const uint32_t currentMode = currentFlags & AM_SEEKING_PositioningBitsMask;
    const uint32_t stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((currentMode != AM_SEEKING_NoPositioning && !current) ||
        (stopMode != AM_SEEKING_NoPositioning && !stop)) {
        return E_POINTER;
    }
    return currentMode == AM_SEEKING_IncrementalPositioning ? E_INVALIDARG : S_OK;
}

SeekPositions ResolveSeekPositions(REFERENCE_TIME oldStart, REFERENCE_TIME oldStop,
                                   const int64_t* current, uint32_t currentFlags,
                                   const int64_t* stop, uint32_t stopFlags) {
    SeekPositions p{oldStart, oldStop};
    switch (currentFlags & AM_SEEKING_PositioningBitsMask) {
        case AM_SEEKING_AbsolutePositioning:
            p.start = *current;
            p.movesStart = true;
            break;
        case AM_SEEKING_RelativePositioning:
            p.start = oldStart + *current;
            p.movesStart = true;
            break;
        default:
            break;
    }
    switch (stopFlags & AM_SEEKING_PositioningBitsMask) {
        case AM_SEEKING_AbsolutePositioning:
            p.stop = *stop;
            break;
        case AM_SEEKING_RelativePositioning:
            p.stop = oldStop + *stop;
            break;
        case AM_SEEKING_IncrementalPositioning:
            p.stop = p.start + *stop;
            break;
        default:
            return p;
    }
    p.movesStop = true;
    return p;
}

void ReturnSeekTimes(REFERENCE_TIME start, REFERENCE_TIME stop, int64_t* current,
                     uint32_t currentFlags, int64_t* stopOut, uint32_t stopFlags) {
    if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = start;
    if (stopOut && (stopFlags & AM_SEEKING_ReturnTime)) *stopOut = stop;
}

}  // namespace tarnel
