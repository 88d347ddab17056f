#pragma once
// The settings of Tarnel Audio Converter: every value under the user's key
// "Software\Tarnel Solutions\Tarnel Audio Converter", with its name, type, default and the
// layout of the four export settings records. Nothing is cached: each call opens the key (creating
// it when missing), performs its one read or write (the composite string reads at most one read
// and one write), and closes the key again. Create a SettingsStore where it is needed and let it
// go; any number may exist at once, in any thread and any process.
//
// Reads return true on success and otherwise leave the caller's variable as the caller preset
// it, with these exceptions that other code relies on:
// - once the key is open, ReadFormat and ReadLoggingLevel first set the variable to 200 and 0;
// - once the key is open, a flag read sets the flag to (stored DWORD != 0), so a missing or
//   unreadable value gives false in the flag as well as in the result;
// - a stored record shorter than the record replaces only the bytes it covers.
// A value of the wrong type, a DWORD that is not 4 bytes, text without its terminating NUL, or
// data longer than the read buffer (32768 bytes for "Target Directory" and "Audio Filename",
// 256 for "Open Directory", the record's size for a record) reads as missing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ExportFormat.h"
#include "settings/Mp3Settings.h"
#include "settings/OggSettings.h"
#include "settings/WavSettings.h"
#include "settings/WmaSettings.h"

namespace tarnel {

class SettingsStore {
public:
    static constexpr std::string_view kKeyPath =
        "Software\\Tarnel Solutions\\Tarnel Audio Converter";
    // The framework's list of recently used session files, a sub-key with "File1".."File4".
    static constexpr std::string_view kRecentFileListKey = "Recent File List";
    static constexpr int kRecentFileCount = 4;

    // DWORD values.
    bool ReadFormat(int32_t& format);  // "Format": an ExportFormat code
    bool WriteFormat(int32_t format);
    bool ReadNamingStrategy(int32_t& strategy);  // 0 source name, 1 date and time
    bool WriteNamingStrategy(int32_t strategy);
    bool ReadLoggingLevel(int32_t& level);  // 0 verbose, 1 normal, 2 minimal
    bool WriteLoggingLevel(int32_t level);
    bool ReadLoggingDepth(int32_t& depth);  // log messages kept, 10..10000
    bool WriteLoggingDepth(int32_t depth);
    bool ReadPlaybackVolume(int32_t& volume);  // "Playback Vol", slider 0..1000
    bool WritePlaybackVolume(int32_t volume);
    // "Last Checked": the low 32 bits of the time of the last update check, seconds since 1970.
    bool ReadLastChecked(uint32_t& seconds);
    bool WriteLastChecked(uint32_t seconds);
    bool ReadCurrentDevice(int32_t& device);
    bool WriteCurrentDevice(int32_t device);
    bool ReadPreviewAudio(int32_t& preview);
    bool WritePreviewAudio(int32_t preview);

    // Flags, stored as DWORD 0 or 1.
    bool ReadAutoUpdate(bool& on);
    bool WriteAutoUpdate(bool on);
    bool ReadShowToolTips(bool& on);
    bool WriteShowToolTips(bool on);
    bool ReadCheckItemsWhenAdded(bool& on);
    bool WriteCheckItemsWhenAdded(bool on);
    bool ReadSoundAlerts(bool& on);
    bool WriteSoundAlerts(bool on);
    bool ReadShowFqpn(bool& on);  // "Show FQPN": 1 shows file names without their folder
    bool WriteShowFqpn(bool on);
    bool ReadIndexWmaFiles(bool& on);         // on only for 1; written by the start-up pass only
    bool ReadOverwritingBehaviour(bool& on);  // written by the start-up pass only

    // Export settings records.
    bool ReadMp3Settings(Mp3Settings& settings);
    bool WriteMp3Settings(const Mp3Settings& settings);
    bool ReadWmaSettings(WmaSettings& settings);
    bool WriteWmaSettings(const WmaSettings& settings);
    bool ReadOggSettings(OggSettings& settings);
    bool WriteOggSettings(const OggSettings& settings);
    bool ReadWavSettings(WavSettings& settings);
    bool WriteWavSettings(const WavSettings& settings);

    // Texts, stored as REG_SZ with their terminating NUL.
    bool WriteTargetDirectory(std::string_view folder);
    bool WriteOpenDirectory(std::string_view folder);
    // "Target Directory"; when it cannot be read, the default output folder, which is then
    // stored (the result is that write's).
    bool ReadTargetDirectory(std::string& folder);
    // "Open Directory"; when it cannot be read, what ReadAudioFileName gives, with its result.
    bool ReadOpenDirectory(std::string& folder);
    // "Audio Filename" with its extension changed to the current one; when it cannot be read,
    // the default output folder joined with "tarnelaudio" and the current extension (false
    // when there is no default output folder).
    bool ReadAudioFileName(std::string& path);
    // The extension of the stored "Format" (200 when unreadable); empty for an unknown code.
    std::string CurrentExtension();

    // "Virgin": present once the program has run for this user.
    bool IsKnownUser();
    bool MarkKnownUser();  // stores a pseudo-random number

    // Writes the start default of every value that is missing or unreadable, in a fixed order,
    // and creates the default output folder.
    void EnsureDefaults();

    // The framework's entries under the same key.
    bool ReadMainWindow(std::string& placement);  // "MainWindow", "%d,...,%d" (ten numbers)
    bool WriteMainWindow(std::string_view placement);
    // "File1".."File4" of the recent file list, most recent first; unreadable entries are left
    // out.
    std::vector<std::string> ReadRecentFiles();
    // Replaces the list (at most kRecentFileCount entries are kept).
    bool WriteRecentFiles(const std::vector<std::string>& paths);

    // The default output folder: the XDG music folder with "Tarnel Audio" appended, created
    // when missing; empty when there is no music folder.
    static std::string DefaultOutputFolder();
};

}  // namespace tarnel
