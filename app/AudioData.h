#pragma once
// One listed source file. Entries are shared: the document's lists (all files, ticked files, the
// run's queue) and the run and preview slots hold the same objects, and an entry lives while any
// of them refers to it. Touched only on the thread that owns the document.
#include <cstdint>
#include <memory>
#include <string>

#include "app/FileStatus.h"

namespace tarnel {

struct AudioData {
    std::string path;       // UTF-8; the identity of the entry, compared byte for byte
    std::string format;     // probed format name: "MP3", "OGG", "WMA" or "WAV"
    double duration = 0.0;  // seconds, from the probe
    FileStatus status = FileStatus::Idle;
    int32_t progress = 0;  // percent of the running conversion of this entry
};

using AudioDataPtr = std::shared_ptr<AudioData>;

}  // namespace tarnel
