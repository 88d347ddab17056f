#include "cli/FilterSetup.h"

#include <memory>

#include "filters/mp3enc/CMP3EncFilter.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "framework/FilterRegistry.h"
#include "platform/media/AudioCompressorFilter.h"
#include "platform/media/MpegSplitterRegistration.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/WmaFilterRegistration.h"

namespace tarnel::cli {

void RegisterProgramFilters() {
    FilterRegistry& registry = FilterRegistry::Default();
    RegisterSystemFilters(registry);
    media::RegisterAudioCompressors(registry);
    RegisterMpegFilters(registry);
    RegisterWmaFilters(registry);
    RegisterOggSplitter(registry);
    RegisterVorbisDecoder(registry);
    RegisterVorbisEncoder(registry);
    RegisterOggMux(registry);

    // Placed by the graph builder only, never by intelligent connection.
    FilterRegistration mp3;
    mp3.clsid = CLSID_MP3EncFilter;
    mp3.name = "MP3 Encoder";
    mp3.merit = MERIT_DO_NOT_USE;
    mp3.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<CMP3EncFilter>()); };
    registry.Register(std::move(mp3));
}

}  // namespace tarnel::cli
