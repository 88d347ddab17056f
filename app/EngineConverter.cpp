// The engine's Converter and probes behind the document's interfaces.
#include <memory>

#include "app/ConversionEngine.h"
#include "app/CvemoraDoc.h"
#include "engine/Converter.h"
#include "engine/SourceProbe.h"

namespace tarnel {

namespace {

class EngineConverter : public ConversionEngine {
public:
    explicit EngineConverter(ConverterServices services) : converter_(std::move(services)) {}

    void SetExportFormat(int32_t exportFormat) override { converter_.exportFormat = exportFormat; }
    void SetWmaChoice(int32_t codecIndex, int32_t formatIndex, uint8_t vbr) override {
        converter_.wmaCodecIndex = codecIndex;
        converter_.wmaFormatIndex = formatIndex;
        converter_.wmaVbr = vbr;
    }
    void SetTargetPcm(int32_t sampleRate, int32_t channels, int32_t bitsPerSample) override {
        // Values outside the record's sensible range are passed on; the graph refuses them.
        converter_.targetFormat.nSamplesPerSec = static_cast<uint32_t>(sampleRate);
        converter_.targetFormat.nChannels = static_cast<uint16_t>(channels);
        converter_.targetFormat.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    }
    void Prepare(const std::string& sourcePath, const std::string& destinationPath,
                 int32_t sourceFormat, std::function<void()> notify) override {
        converter_.Prepare(
            sourcePath, destinationPath, sourceFormat,
            [notify = std::move(notify)](int32_t, IGraphBuilder*) {
                if (notify) notify();
            },
            kConversionEventMessage);
    }
    int32_t BuildGraph() override { return converter_.BuildGraph(); }
    double DurationSeconds() const override { return converter_.durationSeconds; }
    void SetDurationSeconds(double seconds) override { converter_.durationSeconds = seconds; }
    int32_t Run() override { return converter_.Run(); }
    int32_t GetProgressPercent() override { return converter_.GetProgressPercent(); }
    int32_t Stop() override { return converter_.Stop(); }
    int32_t ReleaseGraph() override { return converter_.ReleaseGraph(); }
    std::vector<GraphEvent> TakeEvents() override {
        std::vector<GraphEvent> codes;
        IMediaEventEx* events = converter_.Events();
        if (!events) return codes;
        int32_t code = 0;
        intptr_t param1 = 0;
        intptr_t param2 = 0;
        while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
            (void)events->FreeEventParams(code, param1, param2);  // nothing to free here
            // EC_ERRORABORT carries the streaming failure in its first parameter.
            codes.push_back(
                {code, code == kEventErrorAbort ? static_cast<int32_t>(param1) : int32_t{0}});
        }
        return codes;
    }

private:
    Converter converter_;
};

}  // namespace

std::unique_ptr<ConversionEngine> MakeEngineConverter(ConverterServices services) {
    return std::make_unique<EngineConverter>(std::move(services));
}

std::unique_ptr<ConversionEngine> MakeEngineConverter() {
    return MakeEngineConverter(ConverterServices{});
}

ProbeFunction EngineProbe() {
    return [](const std::string& path) -> std::optional<ProbeOutcome> {
        const ProbeResult probed = ProbeFile(path);
        if (!probed.Succeeded()) return std::nullopt;
        return ProbeOutcome{probed.formatName, probed.seconds};
    };
}

}  // namespace tarnel
