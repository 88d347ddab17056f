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
    // An existing file the user may not write, or that has no write permission at all, is
    // refused with STG_E_ACCESSDENIED and left alone. The whole new file is built in memory
    // first, then written beside the old one under a temporary name (taking over the old
    // file's mode, and its owner and group where the system permits) and renamed over it, so
    // a failure never loses the previous file. Where the folder refuses the temporary file
    // but the old file itself is writable, the old file is overwritten in place instead; a
    // write that fails part-way puts the old content back before the failure is returned.
    static HRESULT WriteSingleStream(const std::filesystem::path& file,
                                     const std::string& streamName,
                                     const std::vector<uint8_t>& bytes);

    // Opens `file` (a regular file only, opened without waiting on FIFOs or devices); on
    // success `found` tells whether the root holds the stream, and `bytes` receives its
    // content (never more than the stream's real size). Stream names are compared without
    // regard to letter case, as compound files define it.
    static HRESULT ReadStream(const std::filesystem::path& file, const std::string& streamName,
                              std::vector<uint8_t>& bytes, bool& found);

    // The names of the streams and storages directly in the root.
    static HRESULT ListRoot(const std::filesystem::path& file, std::vector<std::string>& names);
};

// The structured-storage code for an errno value of a failed file operation.
HRESULT StorageErrorFromErrno(int error);

}  // namespace tarnel
