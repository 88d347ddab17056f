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

void Register(FilterRegistry& registry, const GUID& clsid, std::string name, uint32_t merit,
              FilterFactory create, std::vector<MediaTypePair> inputTypes,
              std::vector<MediaTypePair> outputTypes) {
    FilterRegistration filter;
    filter.clsid = clsid;
    filter.name = std::move(name);
    filter.merit = merit;
    filter.create = std::move(create);
    filter.inputTypes = std::move(inputTypes);
    filter.outputTypes = std::move(outputTypes);
    registry.Register(std::move(filter));
}

}  // namespace

void RegisterSystemFilters(FilterRegistry& registry) {
    const std::vector<MediaTypePair> anyType{{GUID_NULL, GUID_NULL}};
    const std::vector<MediaTypePair> anyAudio{{MEDIATYPE_Audio, GUID_NULL}};
    Register(registry, kFileSourceClsid, "File Source (Async.)", MERIT_UNLIKELY,
             DefaultFactory<CFileSource>(), {}, {{MEDIATYPE_Stream, GUID_NULL}});
    Register(registry, kWaveParserClsid, "Wave Parser", MERIT_NORMAL, DefaultFactory<CWaveParser>(),
             {{MEDIATYPE_Stream, MEDIASUBTYPE_WAVE}}, anyAudio);
    // Any audio: besides PCM and float it decompresses every WAVE format tag that has a decoder
    // and no filter of its own (CPcmConverter::CheckInputType decides, loading no codec for
    // uncompressed or foreign types).
    Register(registry, kPcmConverterClsid, "ACM Wrapper", MERIT_NORMAL,
             DefaultFactory<CPcmConverter>(), anyAudio, {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}});
    // Sinks are only ever placed on purpose.
    Register(registry, kFileWriterClsid, "File Writer", MERIT_DO_NOT_USE,
             DefaultFactory<CFileWriter>(), anyType, {});
    Register(registry, kNullRendererClsid, "Null Renderer", MERIT_DO_NOT_USE,
             DefaultFactory<CNullRenderer>(), anyType, {});

    registry.AddSourceRule(Rule("RIFF WAVE", ContentKind::Wave, {".wav"}));
    registry.AddSourceRule(Rule("Ogg", ContentKind::Ogg, {".ogg", ".oga"}));
    registry.AddSourceRule(Rule("MPEG audio", ContentKind::MpegAudio, {".mp3", ".mp2", ".mpa"}));
    RegisterMpegFilters(registry);
    RegisterWmaFilters(registry);
    RegisterAudioCompressors(registry);
    RegisterAudioRenderer(registry);
}

}  // namespace tarnel
