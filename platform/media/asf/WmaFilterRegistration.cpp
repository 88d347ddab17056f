#include "platform/media/asf/WmaFilterRegistration.h"

#include "platform/media/asf/CAsfReader.h"
#include "platform/media/asf/CAsfWriter.h"
#include "platform/media/asf/CWmaDecoder.h"
#include "platform/media/files/ContentSniffer.h"

namespace tarnel {

void RegisterWmaFilters(FilterRegistry& registry) {
    using media::CWmaDecoder;

    FilterRegistration writer;
    writer.clsid = CLSID_WMAsfWriter;
    writer.name = "WM ASF Writer";
    writer.merit = MERIT_DO_NOT_USE;  // a sink is only ever placed on purpose
    writer.create = DefaultFactory<media::CAsfWriter>();
    writer.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(writer));

    FilterRegistration reader;
    reader.clsid = CLSID_WMAsfReader;
    reader.name = "WM ASF Reader";
    reader.merit = MERIT_DO_NOT_USE;  // a source: chosen by the rule below
    reader.create = DefaultFactory<media::CAsfReader>();
    reader.outputTypes = {{MEDIATYPE_Audio, GUID_NULL}};
    registry.Register(std::move(reader));

    SourceRule rule;
    rule.name = "ASF";
    rule.sourceClsid = CLSID_WMAsfReader;
    rule.matches = [](std::span<const uint8_t> head) {
        return media::SniffContent(head) == media::ContentKind::Asf;
    };
    rule.extensions = {".wma", ".asf"};
    registry.AddSourceRule(std::move(rule));

    // Registered without asking FFmpeg, which would load it for every job: the decoder refuses
    // at connection a tag that this FFmpeg build cannot decode.
    std::vector<MediaTypePair> wmaTypes;
    for (uint16_t tag : {WAVE_FORMAT_WMAUDIO1, WAVE_FORMAT_WMAUDIO2, WAVE_FORMAT_WMAUDIO3,
                         WAVE_FORMAT_WMAUDIO_LOSSLESS, WAVE_FORMAT_WMAVOICE9}) {
        wmaTypes.push_back({MEDIATYPE_Audio, FourccSubtype(tag)});
    }

    // The DMO wrapper holds no decoder until the engine initialises it with the WMA decoder.
    FilterRegistration wrapper;
    wrapper.clsid = CLSID_DMOWrapperFilter;
    wrapper.name = "DMO Wrapper Filter";
    wrapper.merit = MERIT_DO_NOT_USE;
    wrapper.create = [] {
        return std::shared_ptr<IBaseFilter>(
            std::make_shared<CWmaDecoder>(false, CLSID_DMOWrapperFilter));
    };
    registry.Register(std::move(wrapper));

    FilterRegistration decoder;
    decoder.clsid = media::CLSID_WmaDecoderFilter;
    decoder.name = "WMA Decoder";
    decoder.merit = MERIT_NORMAL;
    decoder.create = [] {
        return std::shared_ptr<IBaseFilter>(
            std::make_shared<CWmaDecoder>(true, media::CLSID_WmaDecoderFilter));
    };
    decoder.inputTypes = wmaTypes;
    decoder.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(decoder));
}

}  // namespace tarnel
