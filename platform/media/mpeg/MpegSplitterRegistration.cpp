#include "platform/media/mpeg/MpegSplitterRegistration.h"

#include "platform/media/mpeg/CMpegAudioDecoder.h"
#include "platform/media/mpeg/CMpegSplitter.h"

namespace tarnel {

void RegisterMpegFilters(FilterRegistry& registry) {
    FilterRegistration splitter;
    splitter.clsid = CLSID_MPEG1Splitter;
    splitter.name = "MPEG-1 Stream Splitter";
    splitter.merit = MERIT_NORMAL;
    splitter.create = DefaultFactory<media::CMpegSplitter>();
    splitter.inputTypes = {{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio}};
    splitter.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_MP3},
                            {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}};
    registry.Register(std::move(splitter));

    FilterRegistration decoder;
    decoder.clsid = CLSID_MP3DecoderFilter;
    decoder.name = "MPEG Layer-3 Decoder";
    decoder.merit = MERIT_NORMAL;
    decoder.create = DefaultFactory<media::CMpegAudioDecoder>();
    decoder.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_MP3},
                          {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}};
    decoder.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(decoder));
}

}  // namespace tarnel
