#include "settings/SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <random>

#include "platform/registry/RegistryKey.h"
#include "platform/shell/UserFolders.h"
#include "settings/RecordBytes.h"

namespace tarnel {

namespace {

using registry::RegistryKey;
using registry::RegistryValue;

// Value names under the key.
constexpr std::string_view kFormat = "Format";
constexpr std::string_view kMp3Configuration = "MP3 Configuration";
constexpr std::string_view kWmaConfiguration = "WMA Configuration";
constexpr std::string_view kOggConfiguration = "OGG Configuration";
constexpr std::string_view kWavConfiguration = "WAV Configuration";
constexpr std::string_view kTargetDirectory = "Target Directory";
constexpr std::string_view kNamingStrategy = "Naming Strategy";
constexpr std::string_view kCheckItemsWhenAdded = "Check items when added";
constexpr std::string_view kSoundAlerts = "Sound Alerts";
constexpr std::string_view kShowFqpn = "Show FQPN";
constexpr std::string_view kAutoUpdate = "Auto Update";
constexpr std::string_view kLastChecked = "Last Checked";
constexpr std::string_view kShowToolTips = "Show ToolTips";
constexpr std::string_view kLoggingLevel = "Logging Level";
constexpr std::string_view kLoggingDepth = "Logging Depth";
constexpr std::string_view kIndexWmaFiles = "Index WMA Files";
constexpr std::string_view kPlaybackVol = "Playback Vol";
constexpr std::string_view kOpenDirectory = "Open Directory";
constexpr std::string_view kAudioFilename = "Audio Filename";
constexpr std::string_view kVirgin = "Virgin";
constexpr std::string_view kOverwritingBehaviour = "Overwriting Behaviour";
constexpr std::string_view kCurrentDevice = "Current Device";
constexpr std::string_view kPreviewAudio = "Preview Audio";
constexpr std::string_view kMainWindow = "MainWindow";

// Read buffers of the text values, terminating NUL included.
constexpr size_t kLongTextBuffer = 32768;
constexpr size_t kOpenDirectoryBuffer = 256;

constexpr std::string_view kOutputFolderName = "Tarnel Audio";
constexpr std::string_view kAudioFileBase = "tarnelaudio";

enum class ReadResult { KeyFailed, Missing, Ok };

// The key EnsureDefaults holds open on this thread for its whole pass, or null.
thread_local RegistryKey* t_passKey = nullptr;

// The key for one read or write: the pass's key while EnsureDefaults runs, otherwise the key
// opened (and created when missing) for this call alone.
class KeyHandle {
public:
    KeyHandle() {
        if (t_passKey == nullptr)
            own_ = RegistryKey::Open(SettingsStore::kKeyPath, RegistryKey::kCreate);
    }
    explicit operator bool() const { return t_passKey != nullptr || own_.has_value(); }
    RegistryKey* operator->() { return own_ ? &*own_ : t_passKey; }
    const RegistryKey* operator->() const { return own_ ? &*own_ : t_passKey; }

private:
    std::optional<RegistryKey> own_;
};

KeyHandle OpenKey() {
    return KeyHandle();
}

std::optional<RegistryKey> OpenRecentFileList() {
    std::string path(SettingsStore::kKeyPath);
    path += '\\';
    path += SettingsStore::kRecentFileListKey;
    return RegistryKey::Open(path, RegistryKey::kCreate);
}

ReadResult ReadDword(std::string_view name, uint32_t& value) {
    const auto key = OpenKey();
    if (!key) return ReadResult::KeyFailed;
    const auto stored = key->QueryValue(name, 4);
    if (!stored || stored->type != registry::REG_DWORD || stored->data.size() != 4) {
        return ReadResult::Missing;
    }
    value = record_bytes::GetU32(stored->data, 0);
    return ReadResult::Ok;
}

bool WriteDword(std::string_view name, uint32_t value) {
    auto key = OpenKey();
    return key && key->SetValue(name, registry::REG_DWORD, registry::DwordBytes(value));
}

// A DWORD read into a signed integer; `openedPreset`, when given, is what the integer becomes
// once the key is open, before the value is read.
bool ReadInteger(std::string_view name, int32_t& value,
                 std::optional<int32_t> openedPreset = std::nullopt) {
    uint32_t stored = 0;
    const ReadResult result = ReadDword(name, stored);
    if (result == ReadResult::KeyFailed) return false;
    if (openedPreset) value = *openedPreset;
    if (result != ReadResult::Ok) return false;
    value = static_cast<int32_t>(stored);
    return true;
}

// `onlyOne`: the flag is on for the value 1 alone, not for any non-zero value.
bool ReadFlag(std::string_view name, bool& on, bool onlyOne = false) {
    uint32_t stored = 0;
    const ReadResult result = ReadDword(name, stored);
    if (result == ReadResult::KeyFailed) return false;
    on = result == ReadResult::Ok && (onlyOne ? stored == 1 : stored != 0);
    return result == ReadResult::Ok;
}

// Writes the default when the value cannot be read as a DWORD.
void EnsureDword(std::string_view name, uint32_t fallback) {
    uint32_t stored = 0;
    if (ReadDword(name, stored) != ReadResult::Ok) (void)WriteDword(name, fallback);
}

// Text of REG_SZ or REG_EXPAND_SZ (not expanded) whose last byte is NUL and which fits
// `bufferBytes`; the text ends at its first NUL.
ReadResult ReadText(std::string_view name, size_t bufferBytes, std::string& text) {
    const auto key = OpenKey();
    if (!key) return ReadResult::KeyFailed;
    const auto stored = key->QueryValue(name, bufferBytes);
    if (!stored || (stored->type != registry::REG_SZ && stored->type != registry::REG_EXPAND_SZ) ||
        stored->data.empty() || stored->data.back() != 0) {
        return ReadResult::Missing;
    }
    const auto& data = stored->data;
    text.assign(data.begin(), std::find(data.begin(), data.end(), uint8_t{0}));
    return ReadResult::Ok;
}

bool WriteText(std::string_view name, std::string_view text) {
    auto key = OpenKey();
    return key && key->SetValue(name, registry::REG_SZ, registry::StringBytes(text));
}

template <class Record>
bool ReadRecord(std::string_view name, Record& record) {
    const auto key = OpenKey();
    if (!key) return false;
    // A block longer than the record does not fit the read and fails.
    const auto stored = key->QueryValue(name, Record::kSize);
    if (!stored || stored->type != registry::REG_BINARY) return false;
    record = OverlayRecord(record, stored->data);
    return true;
}

template <class Record>
bool WriteRecord(std::string_view name, const Record& record) {
    auto key = OpenKey();
    return key && key->SetValue(name, registry::REG_BINARY, record.ToBytes());
}

template <class Record>
void EnsureRecord(std::string_view name) {
    Record record;
    if (!ReadRecord(name, record)) (void)WriteRecord(name, Record{});
}

uint32_t RandomNumber() {
    try {
        std::random_device device;
        return device();
    } catch (const std::exception&) {
        // No entropy source: the number is never interpreted, the clock will do.
        const auto ticks =
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return static_cast<uint32_t>(ticks * 2654435761u);
    }
}

}  // namespace

bool SettingsStore::ReadFormat(int32_t& format) {
    return ReadInteger(kFormat, format, kDefaultExportFormat);
}
bool SettingsStore::WriteFormat(int32_t format) {
    return WriteDword(kFormat, format);
}
bool SettingsStore::ReadNamingStrategy(int32_t& strategy) {
    return ReadInteger(kNamingStrategy, strategy);
}
bool SettingsStore::WriteNamingStrategy(int32_t strategy) {
    return WriteDword(kNamingStrategy, strategy);
}
bool SettingsStore::ReadLoggingLevel(int32_t& level) {
    return ReadInteger(kLoggingLevel, level, 0);
}
bool SettingsStore::WriteLoggingLevel(int32_t level) {
    return WriteDword(kLoggingLevel, level);
}
bool SettingsStore::ReadLoggingDepth(int32_t& depth) {
    return ReadInteger(kLoggingDepth, depth);
}
bool SettingsStore::WriteLoggingDepth(int32_t depth) {
    return WriteDword(kLoggingDepth, depth);
}
bool SettingsStore::ReadPlaybackVolume(int32_t& volume) {
    return ReadInteger(kPlaybackVol, volume);
}
bool SettingsStore::WritePlaybackVolume(int32_t volume) {
    return WriteDword(kPlaybackVol, volume);
}
bool SettingsStore::ReadLastChecked(uint32_t& seconds) {
    return ReadDword(kLastChecked, seconds) == ReadResult::Ok;
}
bool SettingsStore::WriteLastChecked(uint32_t seconds) {
    return WriteDword(kLastChecked, seconds);
}
bool SettingsStore::ReadCurrentDevice(int32_t& device) {
    return ReadInteger(kCurrentDevice, device);
}
bool SettingsStore::WriteCurrentDevice(int32_t device) {
    return WriteDword(kCurrentDevice, device);
}
bool SettingsStore::ReadPreviewAudio(int32_t& preview) {
    return ReadInteger(kPreviewAudio, preview);
}
bool SettingsStore::WritePreviewAudio(int32_t preview) {
    return WriteDword(kPreviewAudio, preview);
}

bool SettingsStore::ReadAutoUpdate(bool& on) {
    return ReadFlag(kAutoUpdate, on);
}
bool SettingsStore::WriteAutoUpdate(bool on) {
    return WriteDword(kAutoUpdate, on ? 1 : 0);
}
bool SettingsStore::ReadShowToolTips(bool& on) {
    return ReadFlag(kShowToolTips, on);
}
bool SettingsStore::WriteShowToolTips(bool on) {
    return WriteDword(kShowToolTips, on ? 1 : 0);
}
bool SettingsStore::ReadCheckItemsWhenAdded(bool& on) {
    return ReadFlag(kCheckItemsWhenAdded, on);
}
bool SettingsStore::WriteCheckItemsWhenAdded(bool on) {
    return WriteDword(kCheckItemsWhenAdded, on ? 1 : 0);
}
bool SettingsStore::ReadSoundAlerts(bool& on) {
    return ReadFlag(kSoundAlerts, on);
}
bool SettingsStore::WriteSoundAlerts(bool on) {
    return WriteDword(kSoundAlerts, on ? 1 : 0);
}
bool SettingsStore::ReadShowFqpn(bool& on) {
    return ReadFlag(kShowFqpn, on);
}
bool SettingsStore::WriteShowFqpn(bool on) {
    return WriteDword(kShowFqpn, on ? 1 : 0);
}
bool SettingsStore::ReadIndexWmaFiles(bool& on) {
    return ReadFlag(kIndexWmaFiles, on, /*onlyOne=*/true);
}
bool SettingsStore::ReadOverwritingBehaviour(bool& on) {
    return ReadFlag(kOverwritingBehaviour, on);
}

bool SettingsStore::ReadMp3Settings(Mp3Settings& settings) {
    return ReadRecord(kMp3Configuration, settings);
}
bool SettingsStore::WriteMp3Settings(const Mp3Settings& settings) {
    return WriteRecord(kMp3Configuration, settings);
}
bool SettingsStore::ReadWmaSettings(WmaSettings& settings) {
    return ReadRecord(kWmaConfiguration, settings);
}
bool SettingsStore::WriteWmaSettings(const WmaSettings& settings) {
    return WriteRecord(kWmaConfiguration, settings);
}
bool SettingsStore::ReadOggSettings(OggSettings& settings) {
    return ReadRecord(kOggConfiguration, settings);
}
bool SettingsStore::WriteOggSettings(const OggSettings& settings) {
    return WriteRecord(kOggConfiguration, settings);
}
bool SettingsStore::ReadWavSettings(WavSettings& settings) {
    return ReadRecord(kWavConfiguration, settings);
}
bool SettingsStore::WriteWavSettings(const WavSettings& settings) {
    return WriteRecord(kWavConfiguration, settings);
}

bool SettingsStore::WriteTargetDirectory(std::string_view folder) {
    return WriteText(kTargetDirectory, folder);
}
bool SettingsStore::WriteOpenDirectory(std::string_view folder) {
    return WriteText(kOpenDirectory, folder);
}

bool SettingsStore::ReadTargetDirectory(std::string& folder) {
    std::string stored;
    if (ReadText(kTargetDirectory, kLongTextBuffer, stored) == ReadResult::Ok) {
        folder = std::move(stored);
        return true;
    }
    folder = DefaultOutputFolder();
    return WriteText(kTargetDirectory, folder);
}

bool SettingsStore::ReadOpenDirectory(std::string& folder) {
    std::string stored;
    if (ReadText(kOpenDirectory, kOpenDirectoryBuffer, stored) == ReadResult::Ok) {
        folder = std::move(stored);
        return true;
    }
    return ReadAudioFileName(folder);
}

bool SettingsStore::ReadAudioFileName(std::string& path) {
    std::string stored;
    if (ReadText(kAudioFilename, kLongTextBuffer, stored) == ReadResult::Ok) {
        // Only the extension of the last path component changes; the same text elsewhere in
        // the path (a folder named "x.wav") is left alone.
        const size_t slash = stored.rfind('/');
        const size_t dot = stored.rfind('.');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
            const std::string extension = CurrentExtension();
            if (stored.compare(dot, std::string::npos, extension) != 0) {
                stored.replace(dot, std::string::npos, extension);
            }
        }
        path = std::move(stored);
        return true;
    }
    const std::string folder = DefaultOutputFolder();
    if (folder.empty()) return false;
    path = shell::AppendPath(folder, kAudioFileBase) + CurrentExtension();
    return true;
}

std::string SettingsStore::CurrentExtension() {
    int32_t format = kDefaultExportFormat;
    (void)ReadFormat(format);  // a failed read leaves 200
    return ExtensionOf(format);
}

bool SettingsStore::IsKnownUser() {
    uint32_t stored = 0;
    return ReadDword(kVirgin, stored) == ReadResult::Ok;
}

bool SettingsStore::MarkKnownUser() {
    return WriteDword(kVirgin, RandomNumber());
}

void SettingsStore::EnsureDefaults() {
    // One handle for the whole pass: opening and closing the key for each of its twenty reads
    // and writes costs more than the rest of a short conversion. Each write is still its own
    // statement, seen by other processes at once.
    std::optional<RegistryKey> key = RegistryKey::Open(kKeyPath, RegistryKey::kCreate);
    struct PassScope {
        explicit PassScope(RegistryKey* key) { t_passKey = key; }
        ~PassScope() { t_passKey = nullptr; }
    } scope(key ? &*key : nullptr);
    EnsureDword(kAutoUpdate, 1);
    EnsureDword(kSoundAlerts, 1);
    EnsureDword(kCurrentDevice, 0);
    EnsureDword(kLoggingLevel, 0);
    EnsureDword(kLoggingDepth, 100);
    EnsureDword(kPlaybackVol, 70);
    EnsureDword(kPreviewAudio, 0);
    EnsureDword(kShowToolTips, 1);
    EnsureDword(kCheckItemsWhenAdded, 1);
    EnsureDword(kNamingStrategy, 0);
    EnsureDword(kIndexWmaFiles, 1);
    {
        // "Audio Filename" is never stored, so this creates the default output folder.
        std::string ignored;
        (void)ReadAudioFileName(ignored);
    }
    {
        std::string ignored;
        (void)ReadTargetDirectory(ignored);  // stores the default output folder when missing
    }
    EnsureDword(kFormat, kDefaultExportFormat);
    EnsureRecord<Mp3Settings>(kMp3Configuration);
    EnsureRecord<OggSettings>(kOggConfiguration);
    EnsureDword(kOverwritingBehaviour, 0);
    EnsureRecord<WavSettings>(kWavConfiguration);
    EnsureRecord<WmaSettings>(kWmaConfiguration);
}

bool SettingsStore::ReadMainWindow(std::string& placement) {
    std::string stored;
    if (ReadText(kMainWindow, kLongTextBuffer, stored) != ReadResult::Ok) return false;
    placement = std::move(stored);
    return true;
}

bool SettingsStore::WriteMainWindow(std::string_view placement) {
    return WriteText(kMainWindow, placement);
}

std::vector<std::string> SettingsStore::ReadRecentFiles() {
    std::vector<std::string> paths;
    const auto key = OpenRecentFileList();
    if (!key) return paths;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const auto stored = key->QueryValue("File" + std::to_string(i), kLongTextBuffer);
        if (!stored ||
            (stored->type != registry::REG_SZ && stored->type != registry::REG_EXPAND_SZ) ||
            stored->data.empty() || stored->data.back() != 0) {
            continue;
        }
        std::string path(stored->data.begin(),
                         std::find(stored->data.begin(), stored->data.end(), uint8_t{0}));
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

bool SettingsStore::WriteRecentFiles(const std::vector<std::string>& paths) {
    auto key = OpenRecentFileList();
    if (!key) return false;
    bool ok = true;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const std::string name = "File" + std::to_string(i);
        const size_t index = static_cast<size_t>(i - 1);
        if (index < paths.size() && !paths[index].empty()) {
            ok = key->SetValue(name, registry::REG_SZ, registry::StringBytes(paths[index])) && ok;
        } else {
            (void)key->DeleteValue(name);  // false only when there was none
        }
    }
    return ok;
}

std::string SettingsStore::DefaultOutputFolder() {
    const std::filesystem::path music = shell::MusicFolder(true);
    if (music.empty()) return {};
    const std::string folder = shell::AppendPath(music.string(), kOutputFolderName);
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);  // it usually exists already
    return folder;
}

}  // namespace tarnel
