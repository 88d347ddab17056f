#pragma once
// A stream configuration of the Windows Media Format runtime stand-in: stream type, number,
// name, connection name, bitrate, buffer window, language, media type and named properties.
// Codec formats, new streams of a profile and the streams inside a profile are all of this
// class. Not thread-safe: the thread that builds a profile owns its configurations.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

namespace tarnel::media {

class CWMStreamConfig final : public IWMStreamConfig3,
                              public IWMMediaProps,
                              public IWMPropertyVault {
public:
    explicit CWMStreamConfig(const GUID& streamType);

    // An independent copy of any stream configuration (through its public interfaces), so a
    // profile can hold what AddStream was given whoever made it.
    static std::shared_ptr<CWMStreamConfig> CopyOf(IWMStreamConfig* source);

    void* QueryInterface(const GUID& iid) override;

    // IWMStreamConfig / IWMStreamConfig3
    HRESULT GetStreamType(GUID* type) override;
    HRESULT GetStreamNumber(uint16_t* number) override;
    HRESULT SetStreamNumber(uint16_t number) override;  // 1..63
    HRESULT GetStreamName(std::string* name) override;
    HRESULT SetStreamName(const std::string& name) override;
    HRESULT GetConnectionName(std::string* name) override;
    HRESULT SetConnectionName(const std::string& name) override;
    HRESULT GetBitrate(uint32_t* bitrate) override;
    HRESULT SetBitrate(uint32_t bitrate) override;
    HRESULT GetBufferWindow(uint32_t* milliseconds) override;
    HRESULT SetBufferWindow(uint32_t milliseconds) override;
    HRESULT GetLanguage(std::string* language) override;
    HRESULT SetLanguage(const std::string& language) override;

    // IWMMediaProps. A media type must match the stream type (E_INVALIDARG otherwise).
    HRESULT GetType(GUID* type) override;
    HRESULT GetMediaType(CMediaType* type) override;  // E_FAIL while none is set
    HRESULT SetMediaType(const CMediaType* type) override;

    // IWMPropertyVault
    HRESULT GetPropertyCount(uint32_t* count) override;
    HRESULT GetPropertyByName(const std::string& name, WMT_ATTR_DATATYPE* type,
                              std::vector<uint8_t>* value) override;
    HRESULT SetProperty(const std::string& name, WMT_ATTR_DATATYPE type,
                        std::span<const uint8_t> value) override;
    HRESULT Clear() override;

private:
    GUID streamType_;
    uint16_t streamNumber_ = 0;
    std::string streamName_;
    std::string connectionName_;
    uint32_t bitrate_ = 0;
    uint32_t bufferWindow_ = 0;
    std::string language_;
    CMediaType mediaType_;  // invalid until set
    std::map<std::string, std::pair<WMT_ATTR_DATATYPE, std::vector<uint8_t>>> properties_;
};

}  // namespace tarnel::media
