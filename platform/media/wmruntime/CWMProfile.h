#pragma once
// A profile of the Windows Media Format runtime stand-in: version, name, description and the
// stream configurations added to it (copies; stream numbers unique). Not thread-safe: the thread
// that builds a profile owns it; the ASF writer copies what it needs when it is configured.
#include <memory>
#include <string>
#include <vector>

#include "platform/media/wmruntime/CWMStreamConfig.h"

namespace tarnel::media {

class CWMProfile final : public IWMProfile3 {
public:
    explicit CWMProfile(uint32_t version);

    void* QueryInterface(const GUID& iid) override;

    HRESULT GetVersion(uint32_t* version) override;
    HRESULT GetName(std::string* name) override;
    HRESULT SetName(const std::string& name) override;
    HRESULT GetDescription(std::string* description) override;
    HRESULT SetDescription(const std::string& description) override;
    HRESULT GetStreamCount(uint32_t* count) override;
    HRESULT GetStream(uint32_t index, std::shared_ptr<IWMStreamConfig>* config) override;
    HRESULT GetStreamByNumber(uint16_t number, std::shared_ptr<IWMStreamConfig>* config) override;
    HRESULT RemoveStreamByNumber(uint16_t number) override;
    HRESULT AddStream(IWMStreamConfig* config) override;
    HRESULT CreateNewStream(const GUID& streamType,
                            std::shared_ptr<IWMStreamConfig>* config) override;
    HRESULT GetExpectedPacketCount(uint64_t duration, uint32_t packetSize,
                                   uint64_t* packets) override;

private:
    uint32_t version_;
    std::string name_;
    std::string description_;
    std::vector<std::shared_ptr<CWMStreamConfig>> streams_;  // in the order added
};

}  // namespace tarnel::media
