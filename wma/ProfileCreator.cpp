#include "wma/ProfileCreator.h"

#include <string>

namespace tarnel {

ProfileCreator::ProfileCreator(ProfileManagerFactory createManager)
    : createManager_(std::move(createManager)) {}

ProfileCreator::~ProfileCreator() = default;

bool ProfileCreator::CreateProfile(std::shared_ptr<IWMProfile>* profile) {
    if (!profile) return false;
    if (!codecInfo_ && FAILED(ObtainCodecInfo(createManager_, &codecInfo_))) return false;

    auto description = DescribeAudioStream();
    if (!description) return false;  // nothing is created for a stream that cannot be made
    streams_.push_back(description);

    std::shared_ptr<IWMProfileManager> manager;
    if (!createManager_ || FAILED(createManager_(&manager)) || !manager) return false;
    std::shared_ptr<IWMProfile> created;
    if (FAILED(manager->CreateEmptyProfile(WMT_VER_9_0, &created)) || !created) return false;
    *profile = created;
    auto* profile3 = Query<IWMProfile3>(created.get());
    if (!profile3) return false;

    auto* first = static_cast<CStream*>(streams_.front().get());
    first->streamNumber = 1;
    if (first->streamType != CStream::kTypeAudio) return false;  // no video streams are made
    if (FAILED(CreateAudioStream(profile3, *first))) return false;

    (void)profile3->SetName(kProfileName);  // the description's result decides
    return profile3->SetDescription(kProfileDescription) == S_OK;
}

std::shared_ptr<CStream> ProfileCreator::DescribeAudioStream() {
    auto stream = std::make_shared<CStream>();
    stream->streamType = CStream::kTypeAudio;
    stream->bufferWindow = 3000;
    stream->mediaKind = 0;

    uint32_t codecs = 0;
    if (FAILED(codecInfo_->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs))) return nullptr;
    bool found = false;
    for (uint32_t i = 0; i < codecs && !found; ++i) {
        std::string name;
        if (FAILED(codecInfo_->GetCodecName(WMMEDIATYPE_Audio, i, &name))) name.clear();
        stream->codecIndex = int32_t(i);
        found = name == codecName;
    }
    if (!found) return nullptr;  // the runtime does not list this codec

    uint32_t formats = 0;
    const auto codec = uint32_t(stream->codecIndex);
    if (FAILED(ApplyCodecEnumerationSettings(codecInfo_.get(), codec, vbr != 0, vbr ? 1 : 0)) ||
        FAILED(codecInfo_->GetCodecFormatCount(WMMEDIATYPE_Audio, codec, &formats))) {
        formats = 0;
    }
    if (uint32_t(formatIndex) >= formats) formatIndex = int32_t(formats / 2);
    stream->formatCode = uint32_t(formatIndex) + (vbr ? CStream::kVbrFormatCodeBase : 0);
    stream->streamName = "Audio Stream";
    return stream;
}

HRESULT ProfileCreator::CreateAudioStream(IWMProfile3* profile, const CStream& stream) {
    std::shared_ptr<IWMStreamConfig> config;
    HRESULT hr = profile->CreateNewStream(WMMEDIATYPE_Audio, &config);
    if (FAILED(hr)) return hr;
    if (!config) return E_POINTER;

    const auto codec = uint32_t(stream.codecIndex);
    hr = ApplyCodecEnumerationSettings(codecInfo_.get(), codec, stream.Vbr(), stream.Passes());
    if (FAILED(hr)) return hr;
    std::shared_ptr<IWMStreamConfig> format;
    hr = codecInfo_->GetCodecFormat(WMMEDIATYPE_Audio, codec, stream.FormatIndex(), &format);
    if (FAILED(hr)) return hr;
    if (!format) return E_POINTER;
    auto* formatProps = Query<IWMMediaProps>(format.get());
    if (!formatProps) return E_NOINTERFACE;
    CMediaType mediaType;
    hr = formatProps->GetMediaType(&mediaType);
    if (FAILED(hr)) return hr;

    uint32_t bitrate = 0;
    hr = format->GetBitrate(&bitrate);
    if (FAILED(hr)) return hr;
    hr = config->SetBitrate(bitrate);
    if (FAILED(hr)) return hr;
    hr = config->SetBufferWindow(uint32_t(stream.bufferWindow));
    if (FAILED(hr)) return hr;
    auto* props = Query<IWMMediaProps>(config.get());
    if (!props) return E_NOINTERFACE;
    hr = props->SetMediaType(&mediaType);
    if (FAILED(hr)) return hr;
    if (auto* vault = Query<IWMPropertyVault>(config.get())) {
        const auto flag = WmDword(stream.Vbr() ? 1 : 0);
        (void)vault->SetProperty(g_wszVBREnabled, WMT_TYPE_BOOL, flag);  // advisory
    }
    auto* config3 = Query<IWMStreamConfig3>(config.get());
    if (!config3) return E_NOINTERFACE;
    hr = config3->SetLanguage(Rfc1766FromLocale(stream.languageId));
    if (FAILED(hr)) return hr;
    hr = config->SetStreamNumber(stream.streamNumber);
    if (FAILED(hr)) return hr;
    hr = config->SetStreamName("Audio" + std::to_string(stream.streamNumber));
    if (FAILED(hr)) return hr;
    return profile->AddStream(config.get());
}

}  // namespace tarnel
