#include "engine/Converter.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "engine/FilterCatalogue.h"
#include "engine/GraphConnections.h"
#include "filters/mp3enc/CMP3EncFilter.h"  // CLSID_MP3EncFilter
#include "filters/oggcommon/OggFilterIds.h"
#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/samplesizeconverter/SampleSizeConverter.h"
#include "filters/timestampcorrector/AudioTimeStampCorrector.h"
#include "filters/wavdest/CWavDestFilter.h"
#include "framework/Guids.h"
#include "settings/SettingsStore.h"
#include "wma/WmaProfiles.h"

namespace tarnel {
namespace {

constexpr int32_t kStateTimeoutMs = 5000;

}  // namespace

Converter::Converter(ConverterServices services)
    : registry_(services.registry ? *services.registry : FilterRegistry::Default()),
      deviceEnumerator_(std::move(services.deviceEnumerator)),
      wmaProfiles_(std::move(services.wmaProfiles)) {
    if (!wmaProfiles_.codecNames) wmaProfiles_.codecNames = &ListWmaCodecNames;
    if (!wmaProfiles_.createProfile) wmaProfiles_.createProfile = &CreateWmaProfile;
    if (!deviceEnumerator_) {
        deviceEnumerator_ = [registry = &registry_] {
            return MakeRegistryDeviceEnumerator(*registry);
        };
    }
}

Converter::~Converter() {
    ReleaseGraph();
}

void Converter::Prepare(const std::filesystem::path& sourcePath,
                        const std::filesystem::path& destinationPath, int32_t sourceFormat,
                        NotifyCallback notify, int32_t notifyMessage) {
    sourcePath_ = sourcePath;
    destinationPath_ = destinationPath;
    sourceFormat_ = sourceFormat;
    notify_ = std::move(notify);
    notifyMessage_ = notifyMessage;
}

IMediaEventEx* Converter::Events() const {
    return Query<IMediaEventEx>(graph_.get());
}

std::vector<std::string> Converter::FilterNames() const {
    return graph_ ? graph_->FilterNames() : std::vector<std::string>{};
}

bool IsProducibleTarget(int32_t exportFormat, const WAVEFORMATEX& target) {
    const uint32_t rate = target.nSamplesPerSec;
    const uint16_t channels = target.nChannels;
    const uint16_t bits = target.wBitsPerSample;
    switch (exportFormat) {
        case kFormatMp3: {
            constexpr uint32_t kMpegRates[] = {8000,  11025, 12000, 16000, 22050,
                                               24000, 32000, 44100, 48000};
            return std::find(std::begin(kMpegRates), std::end(kMpegRates), rate) !=
                       std::end(kMpegRates) &&
                   (channels == 1 || channels == 2) && bits == 16;
        }
        case kFormatWav:
            return rate >= 1000 && rate <= 768000 && channels >= 1 && channels <= 8 &&
                   (bits == 8 || bits == 16 || bits == 24 || bits == 32);
        default:
            // WMA takes its format from the profile; the Vorbis encoder judges its own settings.
            return true;
    }
}

HRESULT Converter::BuildGraph() {
    durationSeconds = -1.0;
    if (exportFormat < kFormatWma || exportFormat > kFormatWav) return E_FAIL;
    if (!IsProducibleTarget(exportFormat, targetFormat)) return E_INVALIDARG;
    HRESULT hr = E_FAIL;
    try {
        switch (exportFormat) {
            case kFormatWma:
                hr = BuildWmaGraph();
                break;
            case kFormatOgg:
                hr = BuildOggGraph();
                break;
            default:
                hr = BuildWaveGraph();
                break;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        // The compressor catalogue reports a broken enumerator by throwing; the conversion of
        // this file fails like any other build failure instead of ending the program.
        return E_FAIL;
    }
    if (FAILED(hr)) return hr;
    auto* mediaFilter = Query<IMediaFilter>(graph_.get());
    if (mediaFilter == nullptr) return E_NOINTERFACE;
    return mediaFilter->SetSyncSource(nullptr);
}

HRESULT Converter::StartGraph() {
    graph_ = std::make_shared<FilterGraph>(registry_);
    mediaControl_ = Query<IMediaControl>(graph_.get());
    return mediaControl_ ? S_OK : E_NOINTERFACE;
}

HRESULT Converter::FinishGraph(IBaseFilter* writer, bool seekingRequired) {
    mediaSeeking_ = Query<IMediaSeeking>(writer);
    if (mediaSeeking_ == nullptr && seekingRequired) return E_NOINTERFACE;
    durationSeconds = -1.0;
    auto* events = Query<IMediaEventEx>(graph_.get());
    if (events == nullptr) return E_NOINTERFACE;
    if (!notify_) return S_OK;
    IGraphBuilder* graph = graph_.get();
    return events->SetNotifyCallback(
        [notify = notify_, message = notifyMessage_, graph] { notify(message, graph); });
}

HRESULT Converter::BuildWmaGraph() {
    HRESULT hr = StartGraph();
    if (FAILED(hr)) return hr;

    std::shared_ptr<IBaseFilter> writer;
    hr = registry_.CreateInstance(CLSID_WMAsfWriter, &writer);
    if (FAILED(hr)) return hr;
    auto* sink = Query<IFileSinkFilter>(writer.get());
    if (sink == nullptr) return E_NOINTERFACE;
    hr = sink->SetFileName(destinationPath_, nullptr);
    if (FAILED(hr)) return hr;
    hr = graph_->AddFilter(writer, graphnames::kAsfMux);
    if (FAILED(hr)) return hr;

    auto* config = Query<IConfigAsfWriter>(writer.get());
    if (config == nullptr) return E_NOINTERFACE;
    bool indexFiles = true;  // kept when the settings cannot be opened
    SettingsStore().ReadIndexWmaFiles(indexFiles);
    (void)config->SetIndexMode(indexFiles);  // indexing is a nicety; the file plays without

    if (!wmaProfiles_.codecNames || !wmaProfiles_.createProfile) return E_NOTIMPL;
    const std::vector<std::string> codecs = wmaProfiles_.codecNames();
    if (wmaCodecIndex < 0 || static_cast<size_t>(wmaCodecIndex) >= codecs.size()) {
        return E_INVALIDARG;
    }
    std::shared_ptr<IWMProfile> profile;
    (void)wmaProfiles_.createProfile(codecs[static_cast<size_t>(wmaCodecIndex)], wmaFormatIndex,
                                     wmaVbr, &profile);  // the writer judges the profile
    hr = config->ConfigureFilterUsingProfile(profile.get());
    if (FAILED(hr)) return hr;

    hr = ConnectSource(writer);
    if (FAILED(hr)) return hr;
    return FinishGraph(writer.get(), true);
}

HRESULT Converter::BuildOggGraph() {
    HRESULT hr = StartGraph();
    if (FAILED(hr)) return hr;

    std::shared_ptr<IBaseFilter> encoder;
    hr = registry_.CreateInstance(CLSID_VorbisEnc, &encoder);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IBaseFilter> mux;
    hr = registry_.CreateInstance(CLSID_OggMux, &mux);
    if (FAILED(hr)) return hr;
    hr = graph_->AddFilter(encoder, graphnames::kOggCompressor);
    if (FAILED(hr)) return hr;
    hr = graph_->AddFilter(mux, graphnames::kOggMux);
    if (FAILED(hr)) return hr;

    hr = ConnectSource(encoder);
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph_.get(), encoder.get(), mux.get());
    if (FAILED(hr)) return hr;
    hr = AddFileWriter(mux.get());
    if (FAILED(hr)) return hr;
    hr = ConfigureVorbisEncoder(encoder.get());
    if (FAILED(hr)) return hr;
    return FinishGraph(mux.get(), true);
}

HRESULT Converter::BuildWaveGraph() {
    HRESULT hr = StartGraph();
    if (FAILED(hr)) return hr;

    auto waveWriter = std::make_shared<CWavDestFilter>();
    hr = graph_->AddFilter(waveWriter, graphnames::kWaveWriter);
    if (FAILED(hr)) return hr;

    if (exportFormat == kFormatMp3) {
        std::shared_ptr<IBaseFilter> encoder;
        hr = registry_.CreateInstance(CLSID_MP3EncFilter, &encoder);
        if (FAILED(hr)) return hr;
        hr = graph_->AddFilter(encoder, graphnames::kMp3Compressor);
        if (FAILED(hr)) return hr;
        hr = ConfigureMp3Encoder(encoder.get());
        if (FAILED(hr)) return hr;
        hr = ConnectSource(encoder);
        if (FAILED(hr)) return hr;
        hr = ConnectFilters(graph_.get(), encoder.get(), waveWriter.get());
        if (FAILED(hr)) return hr;
    } else {
        WavSettings wav;
        SettingsStore().ReadWavSettings(wav);
        if (wav.compressorIndex == -1) {
            hr = ConnectSource(waveWriter);
            if (FAILED(hr)) return hr;
        } else {
            std::shared_ptr<IBaseFilter> compressor;
            hr = AddWavCompressor(wav.compressorIndex, &compressor);
            if (FAILED(hr)) return hr;
            hr = ConnectSource(compressor);
            if (FAILED(hr)) return hr;
            hr = ConnectFilters(graph_.get(), compressor.get(), waveWriter.get());
            if (FAILED(hr)) return hr;
        }
    }
    hr = AddFileWriter(waveWriter.get());
    if (FAILED(hr)) return hr;
    return FinishGraph(waveWriter.get(), false);
}

HRESULT Converter::AddWavCompressor(int32_t index, std::shared_ptr<IBaseFilter>* compressor) {
    FilterCatalogue catalogue(deviceEnumerator_);
    (void)catalogue.ListNames(FilterCatalogue::kAudioCompressors);  // an empty list fails below
    const std::vector<std::string> names = catalogue.Names(FilterCatalogue::kAudioCompressors);
    if (index < 0 || static_cast<size_t>(index) >= names.size()) {
        return E_WAV_COMPRESSOR_NOT_INSTALLED;
    }
    HRESULT hr = catalogue.FindByName(names[static_cast<size_t>(index)],
                                      FilterCatalogue::kAudioCompressors, compressor);
    if (FAILED(hr)) return hr;
    // A lookup that found nothing leaves no filter; adding it then fails.
    return graph_->AddFilter(*compressor, graphnames::kWavCompressor);
}

HRESULT Converter::AddFileWriter(IBaseFilter* upstream) {
    std::shared_ptr<IBaseFilter> fileWriter;
    HRESULT hr = registry_.CreateInstance(CLSID_FileWriter, &fileWriter);
    if (FAILED(hr)) return hr;
    hr = graph_->AddFilter(fileWriter, graphnames::kFileWriter);
    if (FAILED(hr)) return hr;
    auto* sink = Query<IFileSinkFilter>(fileWriter.get());
    if (sink == nullptr) return E_NOINTERFACE;
    hr = sink->SetFileName(destinationPath_, nullptr);
    if (FAILED(hr)) return hr;
    return ConnectFilters(graph_.get(), upstream, fileWriter.get());
}

HRESULT Converter::ConnectSource(const std::shared_ptr<IBaseFilter>& target) {
    IGraphBuilder* graph = graph_.get();
    IBaseFilter* source = nullptr;
    HRESULT hr = graph->AddSourceFilter(sourcePath_, graphnames::kMusicSource, &source);
    if (FAILED(hr)) return hr;

    // The PCM converter is made for every export, WMA included, where it stays unused.
    std::shared_ptr<IBaseFilter> pcmConverter;
    hr = registry_.CreateInstance(CLSID_ACMWrapper, &pcmConverter);
    if (FAILED(hr)) return hr;

    auto tsFixer = std::make_shared<AudioTimeStampCorrector>();
    hr = graph->AddFilter(tsFixer, graphnames::kTsFixer);
    if (FAILED(hr)) return hr;

    const bool wmaExport = exportFormat == kFormatWma;
    if (!wmaExport) {
        targetFormat.wFormatTag = WAVE_FORMAT_PCM;
        targetFormat.nBlockAlign =
            static_cast<uint16_t>(targetFormat.wBitsPerSample / 8 * targetFormat.nChannels);
        targetFormat.nAvgBytesPerSec = targetFormat.nBlockAlign * targetFormat.nSamplesPerSec;
        targetFormat.cbSize = 0;
    }

    // A: decoded audio arrives at the PCM converter ("Intermediate"), which is set to the
    // target format and feeds "TS Fixer".
    auto convertThenTarget = [&]() -> HRESULT {
        (void)SetPcmConverterFormat(pcmConverter.get());  // a refusal shows at the connection
        HRESULT result = ConnectFilters(graph, pcmConverter.get(), tsFixer.get());
        if (FAILED(result)) return result;
        return ConnectFilters(graph, tsFixer.get(), target.get());
    };
    const NextFilter intoTsFixer{tsFixer, false};
    const NextFilter intoConverter{pcmConverter, true};

    switch (sourceFormat_) {
        case kFormatOgg:
            hr = ConnectOggDecoder(graph, registry_, source,
                                   wmaExport ? intoTsFixer : intoConverter);
            break;
        case kFormatMp3:
            hr = ConnectMp3Decoder(graph, registry_, source,
                                   wmaExport ? intoTsFixer : intoConverter);
            break;
        case kFormatWma:
            hr = wmaExport ? ConnectFilters(graph, source, tsFixer.get())
                           : ConnectWmaDecoder(graph, registry_, source, intoConverter);
            break;
        default:  // WAV and anything unknown
            if (wmaExport) {
                hr = ConnectFilters(graph, source, tsFixer.get());
                break;
            }
            {
                // B: the wave parser (inserted by intelligent connection) feeds "8-16
                // Converter", which widens 8-bit audio before the rate converter.
                auto widener = std::make_shared<SampleSizeConverter>();
                hr = graph->AddFilter(widener, graphnames::kSampleSizeConverter);
                if (FAILED(hr)) return hr;
                hr = ConnectFilters(graph, source, widener.get());
                if (FAILED(hr)) return hr;
                hr = graph->AddFilter(pcmConverter, graphnames::kSampleRateConverter);
                if (FAILED(hr)) return hr;
                hr = ConnectFilters(graph, widener.get(), pcmConverter.get());
                if (FAILED(hr)) return hr;
            }
            return convertThenTarget();
    }
    if (FAILED(hr)) return hr;
    if (wmaExport) return ConnectFilters(graph, tsFixer.get(), target.get());
    return convertThenTarget();
}

HRESULT Converter::SetPcmConverterFormat(IBaseFilter* converter) {
    auto* config = Query<IAMStreamConfig>(FirstPin(converter, PINDIR_OUTPUT));
    if (config == nullptr) return E_UNEXPECTED;
    CMediaType type;
    HRESULT hr = config->GetFormat(&type);
    if (FAILED(hr)) return hr;
    type.SetFormat(SerializeWaveFormat(targetFormat));
    return config->SetFormat(&type);
}

HRESULT Converter::ConfigureMp3Encoder(IBaseFilter* encoder) {
    auto* props = Query<IMP3AudioEncProperties>(encoder);
    if (props == nullptr) return E_NOINTERFACE;
    Mp3Settings mp3;  // defaults stand when the record is missing
    SettingsStore().ReadMp3Settings(mp3);
    int32_t lameMode = 1;  // joint stereo
    if (mp3.channelMode == 0) lameMode = 3;
    if (mp3.channelMode == 1) lameMode = 0;
    // Any failure makes the OR of the results negative.
    HRESULT hr = props->SetBitrate(mp3.cbrBitrate);
    hr |= props->SetCopyrightBit(mp3.copyright != 0);
    hr |= props->SetErrorProtection(mp3.crc != 0);
    hr |= props->SetOriginalBit(mp3.original != 0);
    hr |= props->SetEncodingQuality(mp3.encodingQuality);
    hr |= props->SetOutputSampleRate(mp3.sampleRate);
    hr |= props->SetVbrEnabled(mp3.constantBitrate == 0);
    hr |= props->SetVbrMaxBitrate(mp3.maxBitrate);
    hr |= props->SetVbrMinBitrate(mp3.minBitrate);
    hr |= props->SetVbrQuality(mp3.vbrQuality);
    hr |= props->SetChannelMode(lameMode);
    return hr;
}

HRESULT Converter::ConfigureVorbisEncoder(IBaseFilter* encoder) {
    auto* config = Query<IAMStreamConfig>(FirstPin(encoder, PINDIR_OUTPUT));
    if (config == nullptr) return E_UNEXPECTED;
    CMediaType type;
    HRESULT hr = config->GetFormat(&type);
    if (FAILED(hr)) return hr;
    VorbisFormatBlock block = VorbisBlockOf(type).value_or(VorbisFormatBlock{});

    OggSettings ogg;  // defaults stand when the record is missing
    SettingsStore().ReadOggSettings(ogg);
    block.avgBitsPerSec = ogg.avgBitrate * 1000;
    switch (ogg.bitrateMode) {
        case 0:  // true VBR within limits
            block.minBitsPerSec = ogg.minBitrate * 1000;
            block.maxBitsPerSec = ogg.maxBitrate * 1000;
            break;
        case 3:  // constant bitrate
            block.minBitsPerSec = block.maxBitsPerSec = ogg.avgBitrate * 1000;
            break;
        default:  // managed VBR and average bitrate: no limits
            block.minBitsPerSec = block.maxBitsPerSec = -1;
            break;
    }
    auto* control = Query<IVorbisEncoderControl>(encoder);
    if (ogg.bitrateMode == 1) {
        if (control == nullptr) return E_NOINTERFACE;
        control->SetManagedBitrate(true);
    }
    // The stored quality is a slider position 0..100 for libvorbis' -0.1..1.0.
    block.quality = ogg.qualityBased != 0 ? static_cast<float>(ogg.quality) * 0.011f - 0.1f : -1.0f;
    block.samplesPerSec = static_cast<uint32_t>(ogg.sampleRate);
    block.channels = static_cast<uint16_t>(ogg.channels);
    type.SetFormat(SerializeVorbisFormatBlock(block));

    hr = config->SetFormat(&type);
    if (FAILED(hr)) return hr;
    if (control == nullptr) return E_NOINTERFACE;
    const HRESULT trial = control->TrialStartStreaming();
    (void)control->TrialStopStreaming();  // releases whatever the trial set up
    if (trial == 1) return E_VORBIS_SETTINGS_REJECTED;
    return hr;
}

HRESULT Converter::Run() {
    if (mediaControl_ == nullptr) return E_UNEXPECTED;
    // A graph that refuses to run must not look as if it were running: nothing would ever
    // complete it.
    HRESULT hr = mediaControl_->Run();
    if (FAILED(hr)) return hr;
    FILTER_STATE state = State_Stopped;
    return mediaControl_->GetState(kStateTimeoutMs, &state);
}

int32_t Converter::GetProgressPercent() {
    if (mediaSeeking_ == nullptr) return -1;
    int64_t position = 0;
    if (FAILED(mediaSeeking_->GetCurrentPosition(&position))) return -1;
    const double percent = static_cast<double>(position) * 0.0000001 / durationSeconds * 100.0;
    // A zero duration gives no meaningful figure; keep the conversion to int defined.
    if (!std::isfinite(percent)) return -1;
    if (percent >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (percent <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(percent);
}

HRESULT Converter::Stop() {
    if (mediaControl_ == nullptr) return S_FALSE;
    if (auto* events = Query<IMediaEventEx>(graph_.get())) {
        (void)events->SetNotifyCallback({});  // no more events after this
    }
    (void)mediaControl_->Stop();  // the state below says where the graph ended up
    FILTER_STATE state = State_Stopped;
    return mediaControl_->GetState(kStateTimeoutMs, &state);
}

HRESULT Converter::ReleaseGraph() {
    if (mediaControl_ != nullptr) (void)Stop();
    mediaSeeking_ = nullptr;
    mediaControl_ = nullptr;
    graph_.reset();
    return S_OK;
}

}  // namespace tarnel
