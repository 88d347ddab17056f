#include "platform/media/WmaFilterRegistration.h"

#include "platform/media/AsfWriterFilter.h"

namespace tarnel {

void RegisterWmaFilters(FilterRegistry& registry) {
    FilterRegistration writer;
    writer.clsid = CLSID_WMAsfWriter;
    writer.name = "WM ASF Writer";
    writer.merit = MERIT_DO_NOT_USE;  // a sink is only ever placed on purpose
    writer.create = [] {
        return std::shared_ptr<IBaseFilter>(std::make_shared<media::CAsfWriter>());
    };
    writer.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
    registry.Register(std::move(writer));
}

}  // namespace tarnel
