#pragma once
// "ASF Mux": the WM ASF Writer stand-in. It is configured with a Windows Media profile holding
// one audio stream (IConfigAsfWriter), takes PCM at its one input pin and writes the ASF file
// named by IFileSinkFilter: the PCM is converted to the profile's rate and channels where they
// differ and encoded with the profile's WMA format (AsfEncodeSession.h). With index mode on
// (the default) the finished file gets a simple index. The file is created when the filter
// pauses from stopped and completed at end of stream, before EC_COMPLETE is sent; a stop
// before that completes it with what has arrived.
//
// IMediaSeeking: the current position is the play time of the PCM taken so far; every other
// call goes upstream.
//
// Threads: configuration and state changes on the application thread under the filter lock;
// Receive and EndOfStream on the upstream streaming thread under receiveLock_, which guards
// session_. Stop takes receiveLock_ after the pins are inactive (lock order: filter lock, then
// receiveLock_; Receive never takes the filter lock).
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/PosPassThru.h"
#include "platform/media/asf/AsfEncodeSession.h"
#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel::media {

class CAsfWriter;

class CAsfWriterInputPin final : public CBaseInputPin {
public:
    CAsfWriterInputPin(CAsfWriter* filter, CCritSec* lock, HRESULT* hr);

    // Uncompressed PCM (integer 8 to 32 bits or float) of any rate and up to eight channels,
    // once a profile is configured.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    CAsfWriter* writer_;
};

class CAsfWriter final : public CBaseFilter,
                         public IFileSinkFilter,
                         public IConfigAsfWriter,
                         public CPosPassThru {
public:
    CAsfWriter();
    ~CAsfWriter() override;

    void* QueryInterface(const GUID& iid) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    HRESULT Pause() override;  // from stopped: creates the file
    HRESULT Stop() override;   // completes a file that did not reach end of stream

    // IFileSinkFilter (while stopped; the type is ignored)
    HRESULT SetFileName(const std::filesystem::path& file, const CMediaType* type) override;
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) override;

    // IConfigAsfWriter. The profile must hold exactly one audio stream with a WMA format the
    // encoder takes at its bitrate (VFW_E_UNSUPPORTED_AUDIO otherwise, E_INVALIDARG for a
    // profile of another shape, NS_E_UNSUPPORTED_PROPERTY for a VBR stream). Only while stopped
    // and unconnected.
    HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) override;
    HRESULT SetIndexMode(bool indexFile) override;

    // IMediaSeeking: ours, the rest goes upstream through CPosPassThru (the input pin's peer).
    HRESULT GetCapabilities(uint32_t* capabilities) override;  // adds AM_SEEKING_CanGetCurrentPos
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;

    // The configured stream (application thread, while stopped).
    const std::optional<AsfStreamSettings>& Stream() const { return stream_; }
    bool IndexMode() const { return indexMode_; }

private:
    friend class CAsfWriterInputPin;
    HRESULT ReceivePcm(IMediaSample* sample);
    HRESULT FinishFile();  // receiveLock_ held

    CCritSec lock_;
    CCritSec receiveLock_;
    std::unique_ptr<CAsfWriterInputPin> pin_;

    // Application thread, while stopped.
    std::filesystem::path path_;
    std::optional<AsfStreamSettings> stream_;
    bool indexMode_ = true;

    std::unique_ptr<AsfEncodeSession> session_;  // receiveLock_
    bool endOfStream_ = false;                   // receiveLock_
    std::atomic<int64_t> position_{0};           // play time taken, 100 ns units
};

}  // namespace tarnel::media
