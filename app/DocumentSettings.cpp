#include "app/DocumentSettings.h"

#include "app/ConversionEngine.h"
#include "app/OutputNaming.h"
#include "engine/Converter.h"
#include "settings/SettingsStore.h"

namespace tarnel::settings {

bool ReadStoredFormat(int32_t& format) {
    int32_t stored = format;
    if (!SettingsStore().ReadFormat(stored)) return false;
    format = stored;
    return true;
}

int32_t ReadNamingStrategy(int32_t preset) {
    int32_t strategy = preset;
    if (!SettingsStore().ReadNamingStrategy(strategy)) return preset;
    return strategy;
}

bool SoundAlertsOn() {
    bool on = true;
    // A missing value reads as off through the flag reader; "Sound Alerts" is on by default.
    if (!SettingsStore().ReadSoundAlerts(on)) return true;
    return on;
}

std::string ReadOpenDirectory() {
    std::string folder;
    if (!SettingsStore().ReadOpenDirectory(folder)) return {};
    return folder;
}

void WriteOpenDirectory(const std::string& folder) {
    (void)SettingsStore().WriteOpenDirectory(folder);  // a failed write only loses the folder
}

void ApplyExportSettings(int32_t exportFormat, ConversionEngine& engine) {
    SettingsStore store;
    switch (exportFormat) {
        case kFormatWma: {
            WmaSettings wma;  // defaults when nothing is stored
            (void)store.ReadWmaSettings(wma);
            engine.SetWmaChoice(wma.codecIndex, wma.formatIndex, wma.vbr);
            break;
        }
        case kFormatMp3: {
            Mp3Settings mp3;
            (void)store.ReadMp3Settings(mp3);
            engine.SetTargetPcm(mp3.sampleRate, mp3.channelMode == 0 ? 1 : 2, 16);
            break;
        }
        case kFormatOgg: {
            OggSettings ogg;
            (void)store.ReadOggSettings(ogg);
            engine.SetTargetPcm(ogg.sampleRate, ogg.channels, 16);
            break;
        }
        case kFormatWav: {
            WavSettings wav;
            (void)store.ReadWavSettings(wav);
            engine.SetTargetPcm(wav.sampleRate, wav.channels, wav.bitsPerSample);
            break;
        }
        default:
            return;  // the engine keeps its previous format
    }
    engine.SetExportFormat(exportFormat);
}

}  // namespace tarnel::settings
