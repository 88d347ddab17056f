#include "app/RegisterProgramFilters.h"

#include "filters/mp3enc/CMP3EncFilter.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"

namespace tarnel {

void RegisterProgramFilters() {
    FilterRegistry& registry = FilterRegistry::Default();
    RegisterSystemFilters(registry);
    RegisterMp3Encoder(registry);
    RegisterOggSplitter(registry);
    RegisterVorbisDecoder(registry);
    RegisterVorbisEncoder(registry);
    RegisterOggMux(registry);
}

}  // namespace tarnel
