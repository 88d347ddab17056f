#pragma once
// The arithmetic of IMediaSeeking::SetPositions, apart from any filter: which positions a
// request asks for, given the current ones. Pure, so every parser resolves a seek the same way
// and a test needs no graph.
//
// Start flags (low two bits): none, absolute, relative to the current start; incremental is
// refused. Stop flags: none, absolute, relative to the current stop, incremental (relative to
// the new start).
#include <cstdint>

#include "framework/Interfaces.h"

namespace tarnel {

struct SeekPositions {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    bool movesStart = false;  // the request positioned the start
    bool movesStop = false;   // and the stop
};

// E_POINTER when a positioning mode comes without its value, E_INVALIDARG for an incremental
// start; S_OK otherwise.
HRESULT CheckSeekArguments(const int64_t* current, uint32_t currentFlags, const int64_t* stop,
                           uint32_t stopFlags);

// The positions asked for; the arguments must have passed CheckSeekArguments. Neither value is
// clamped: each filter fits them to its stream.
SeekPositions ResolveSeekPositions(REFERENCE_TIME oldStart, REFERENCE_TIME oldStop,
                                   const int64_t* current, uint32_t currentFlags,
                                   const int64_t* stop, uint32_t stopFlags);

// Writes the positions taken back where the flags carry AM_SEEKING_ReturnTime.
void ReturnSeekTimes(REFERENCE_TIME start, REFERENCE_TIME stop, int64_t* current,
                     uint32_t currentFlags, int64_t* stopOut, uint32_t stopFlags);

}  // namespace tarnel
