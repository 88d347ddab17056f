#pragma once
// Clean vector state for code built for SSE. While the upper halves of the AVX registers are in
// use, every SSE instruction pays a transition penalty (or a false dependency), so a library
// built for SSE (libvorbis, LAME, libmpg123, FFmpeg's C paths) runs much slower after AVX code
// that returned without `vzeroupper`: Qt's hash routines do, and a new thread inherits the state
// of the thread that created it. Streaming and worker threads call this once at their start,
// and the filters call it on entry to each codec call, since any call in between may dirty the
// state again.

namespace tarnel {

// Executes `vzeroupper` where the processor has AVX (checked once); elsewhere does nothing.
// Returns true when it executed the instruction. Safe to call from any thread at any time: it
// is an out-of-line call, so no vector value of the caller lives across it.
bool ClearUpperVectorState() noexcept;

}  // namespace tarnel
