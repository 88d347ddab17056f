#pragma once
// libogg's sync layer as a scoped resource, fed from a byte source (the file, through the
// input pin's reader). One owner: the scan on the control thread or the reading thread.

#include <ogg/ogg.h>

#include <cstdint>
#include <span>

#include "framework/ByteSource.h"

namespace tarnel {

struct OggSyncState {
    ogg_sync_state state;

    OggSyncState() { ogg_sync_init(&state); }
    ~OggSyncState() { ogg_sync_clear(&state); }
    OggSyncState(const OggSyncState&) = delete;
    OggSyncState& operator=(const OggSyncState&) = delete;

    // Reads [position, position + size) into the sync layer; false when not every byte could be
    // read (the source keeps the reason).
    bool Feed(ByteSource& source, int64_t position, int64_t size) {
        if (size <= 0 || position < 0) return false;
        char* buffer = ogg_sync_buffer(&state, static_cast<long>(size));
        if (!buffer) return false;
        auto* bytes = reinterpret_cast<uint8_t*>(buffer);
        if (!source.ReadAt(static_cast<uint64_t>(position),
                           std::span(bytes, static_cast<size_t>(size)))) {
            return false;
        }
        ogg_sync_wrote(&state, static_cast<long>(size));
        return true;
    }
};

}  // namespace tarnel
