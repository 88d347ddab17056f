#include "platform/media/SystemFilters.h"

#include "platform/media/MediaClsids.h"
#include "platform/media/asf/WmaFilterRegistration.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "platform/media/files/CFileSource.h"
#include "platform/media/files/CFileWriter.h"
#include "platform/media/files/ContentSniffer.h"
#include "platform/media/mpeg/MpegSplitterRegistration.h"
#include "platform/media/pcm/CPcmConverter.h"
#include "platform/media/renderer/CAudioRenderer.h"
#include "platform/media/renderer/CNullRenderer.h"
#include "platform/media/wave/CWaveParser.h"

namespace tarnel {

using namespace tarnel::media;

namespace {

template <class Filter>
FilterFactory Factory() {
    return [] { return std::shared_ptr<IBaseFilter>(std::make_shared<Filter>()); };
}

SourceRule Rule(std::string name, ContentKind kind, std::vector<std::string> extensions) {
    SourceRule rule;
    rule.name = std::move(name);
    rule.sourceClsid = kFileSourceClsid;
    rule.majortype = MEDIATYPE_Stream;
    rule.subtype = SubtypeForContent(kind);
    rule.matches = [kind](std::span<const uint8_t> head) { return SniffContent(head) == kind; };
    rule.extensions = std::move(extensions);
    return rule;
}

}  // namespace

void RegisterSystemFilters(FilterRegistry& registry) {
    FilterRegistration source;
    source.clsid = kFileSourceClsid;
    source.name = "File Source (Async.)";
    source.merit = MERIT_UNLIKELY;
    source.create = Factory<CFileSource>();
    source.outputTypes = {{MEDIATYPE_Stream, GUID_NULL}};
    registry.Register(std::move(source));

    FilterRegistration parser;
    parser.clsid = kWaveParserClsid;
    parser.name = "Wave Parser";
    parser.merit = MERIT_NORMAL;
    parser.create = Factory<CWaveParser>();
    parser.inputTypes = {{MEDIATYPE_Stream, MEDIASUBTYPE_WAVE}};
    parser.outputTypes = {{MEDIATYPE_Audio, GUID_NULL}};
    registry.Register(std::move(parser));

    FilterRegistration converter;
    converter.clsid = kPcmConverterClsid;
    converter.name = "ACM Wrapper";
    converter.merit = MERIT_NORMAL;
    converter.create = Factory<CPcmConverter>();
    // Any audio: besides PCM and float it decompresses every WAVE format tag that has a decoder
    // and no filter of its own (CPcmConverter::CheckInputType decides, loading no codec for
    // uncompressed or foreign types).
    converter.inputTypes = {{MEDIATYPE_Audio, GUID_NULL}};
    converter.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(converter));

    // Sinks are only ever placed on purpose.
    FilterRegistration writer;
    writer.clsid = kFileWriterClsid;
    writer.name = "File Writer";
    writer.merit = MERIT_DO_NOT_USE;
    writer.create = Factory<CFileWriter>();
    writer.inputTypes = {{GUID_NULL, GUID_NULL}};
    registry.Register(std::move(writer));

    FilterRegistration nullRenderer;
    nullRenderer.clsid = kNullRendererClsid;
    nullRenderer.name = "Null Renderer";
    nullRenderer.merit = MERIT_DO_NOT_USE;
    nullRenderer.create = Factory<CNullRenderer>();
    nullRenderer.inputTypes = {{GUID_NULL, GUID_NULL}};
    registry.Register(std::move(nullRenderer));

    registry.AddSourceRule(Rule("RIFF WAVE", ContentKind::Wave, {".wav"}));
    registry.AddSourceRule(Rule("Ogg", ContentKind::Ogg, {".ogg", ".oga"}));
    registry.AddSourceRule(Rule("MPEG audio", ContentKind::MpegAudio, {".mp3", ".mp2", ".mpa"}));
    RegisterMpegFilters(registry);
    RegisterWmaFilters(registry);
    RegisterAudioCompressors(registry);
    RegisterAudioRenderer(registry);
}

}  // namespace tarnel
