#pragma once
// Compound files (the OLE structured storage format) holding one named stream in the root
// storage, on libgsf. Failures are reported with the structured-storage result codes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/Result.h"

namespace tarnel {

class CompoundFile {
public:
    // Creates or replaces `file` with a compound file whose root holds exactly one stream.
    // The new file is written beside the old one under a temporary name and renamed over it,
    // so a failure never loses the previous file.
    static HRESULT WriteSingleStream(const std::filesystem::path& file,
                                     const std::string& streamName,
                                     const std::vector<uint8_t>& bytes);

    // Opens `file`; on success `found` tells whether the root holds the stream, and `bytes`
    // receives its content (never more than the stream's real size).
    static HRESULT ReadStream(const std::filesystem::path& file, const std::string& streamName,
                              std::vector<uint8_t>& bytes, bool& found);

    // The names of the streams and storages directly in the root.
    static HRESULT ListRoot(const std::filesystem::path& file, std::vector<std::string>& names);
};

// The structured-storage code for an errno value of a failed file operation.
HRESULT StorageErrorFromErrno(int error);

}  // namespace tarnel
