#pragma once
// Small helpers over pins, filters and events for the filter tests.

#include <chrono>
#include <cstdint>
#include <future>
#include <initializer_list>
#include <utility>
#include <vector>

#include "framework/Interfaces.h"
#include "framework/MediaType.h"
#include "framework/WaveFormat.h"

namespace tarnel::test::harness {

inline CMediaType PcmType(uint16_t channels = 2, uint32_t rate = 8000, uint16_t bits = 16) {
    return MakeAudioMediaType(MakePcmFormat(channels, rate, bits));
}

// The n-th pin of the given direction, or null.
IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int n = 0);
inline IPin* OutputOf(IBaseFilter* filter, int n = 0) {
    return PinOf(filter, PINDIR_OUTPUT, n);
}
inline IPin* InputOf(IBaseFilter* filter, int n = 0) {
    return PinOf(filter, PINDIR_INPUT, n);
}

inline HRESULT ConnectPins(IPin* output, IPin* input) {
    return output->Connect(input, nullptr);
}

// Pauses, or stops, a chain given sinks first, as a graph does; Pause stops at the first
// failure, Stop goes on and returns the first failure.
HRESULT PauseChain(std::initializer_list<IBaseFilter*> sinkFirst);
HRESULT StopChain(std::initializer_list<IBaseFilter*> sinkFirst);

// Takes every queued event (waiting up to firstWaitMs for the first) and returns the codes with
// their first parameters in order.
std::vector<std::pair<int32_t, intptr_t>> DrainEvents(IMediaEventEx* events,
                                                      int32_t firstWaitMs = 0);

// Runs f on another thread and says whether it finished within the limit (a hang guard, not a
// timing measurement).
template <class F>
bool FinishesWithin(F&& f, std::chrono::seconds limit = std::chrono::seconds(20)) {
    auto done = std::async(std::launch::async, std::forward<F>(f));
    return done.wait_for(limit) == std::future_status::ready;
}

}  // namespace tarnel::test::harness
