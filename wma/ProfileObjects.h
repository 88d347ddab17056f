#pragma once
// The stream descriptions a ProfileCreator builds a profile from. CProfileObject is the base of
// every description; shared ownership (std::shared_ptr) does the reference counting the objects
// need. CStream describes one stream; audio streams use only the audio fields, the video fields
// keep their defaults.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnel {

class CProfileObject {
public:
    virtual ~CProfileObject() = default;
};

class CStream : public CProfileObject {
public:
    static constexpr int32_t kTypeAudio = 1;
    static constexpr int32_t kTypeVideo = 2;
    static constexpr uint32_t kVbrFormatCodeBase = 5000;

    CStream();

    std::string streamName;       // "Audio Stream" once described
    int32_t streamType = 7;       // 1 audio, 2 video
    uint32_t formatCode = 0;      // format index, plus 5000 for the VBR variant
    int32_t mediaKind = 0;        // 0 audio codecs, 1 video codecs
    int32_t bufferWindow = 3000;  // milliseconds
    int32_t codecIndex = 0;       // in the runtime's audio codec list
    uint16_t streamNumber = 0;    // 1 for the profile's only stream
    std::string languageId;       // locale name, the system default at construction
    std::vector<std::shared_ptr<CProfileObject>> children;  // unused for audio

    // Video settings; no video stream is ever made.
    int32_t frameWidth = 320;
    int32_t frameHeight = 200;
    int32_t framesPerSecond = 30;
    int32_t videoBitrate = 100000;
    int32_t videoQuality = 10000;
    int32_t videoBufferWindow = 3000;

    uint32_t FormatIndex() const { return formatCode % kVbrFormatCodeBase; }
    bool Vbr() const { return formatCode / kVbrFormatCodeBase != 0; }
    uint32_t Passes() const { return formatCode / kVbrFormatCodeBase; }
};

// The system's default locale name from the environment (LC_ALL, then LANG), "C" when unset.
std::string SystemDefaultLocale();

// The RFC 1766 tag of a locale name: "de_DE.UTF-8" gives "de-DE"; "C", "POSIX" and names that
// are no language give "en-US".
std::string Rfc1766FromLocale(const std::string& locale);

}  // namespace tarnel
