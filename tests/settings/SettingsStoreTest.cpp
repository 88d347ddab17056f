// The settings store over a private key store: read and write rules, the start-up defaults, the
// composite text reads and what odd stored values do.
#include <filesystem>
#include <fstream>

#include "platform/registry/RegistryKey.h"
#include "settings/SettingsStore.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;
using registry::RegistryKey;
using registry::RegistryValue;

class SettingsStoreTest : public test::IsolatedTest {
protected:
    RegistryKey Key() {
        auto key = RegistryKey::Open(SettingsStore::kKeyPath, RegistryKey::kCreate);
        if (!key) throw std::runtime_error("cannot open the settings key");
        return std::move(*key);
    }
    void Put(std::string_view name, uint32_t type, std::vector<uint8_t> data) {
        ASSERT_TRUE(Key().SetValue(name, type, data));
    }
    void PutText(std::string_view name, std::string_view text) {
        Put(name, registry::REG_SZ, registry::StringBytes(text));
    }
    void PutDword(std::string_view name, uint32_t value) {
        Put(name, registry::REG_DWORD, registry::DwordBytes(value));
    }
    std::optional<RegistryValue> Get(std::string_view name) { return Key().QueryValue(name); }
    // A configuration folder that cannot be created: the key cannot be opened.
    void BlockTheStore() {
        std::ofstream(root() / "blocked") << "x";
        setEnv("XDG_CONFIG_HOME", (root() / "blocked").string());
    }
    std::string OutputFolder() const { return (homeDir() / "Music" / "Tarnel Audio").string(); }
};

TEST_F(SettingsStoreTest, StartUpDefaultsOnAFreshUser) {
    SettingsStore().EnsureDefaults();
    const std::vector<std::pair<std::string, uint32_t>> dwords{
        {"Auto Update", 1},          {"Sound Alerts", 1},    {"Current Device", 0},
        {"Logging Level", 0},        {"Logging Depth", 100}, {"Playback Vol", 70},
        {"Preview Audio", 0},        {"Show ToolTips", 1},   {"Check items when added", 1},
        {"Naming Strategy", 0},      {"Index WMA Files", 1}, {"Format", 200},
        {"Overwriting Behaviour", 0}};
    for (const auto& [name, value] : dwords) {
        const auto stored = Get(name);
        ASSERT_TRUE(stored) << name;
        EXPECT_EQ(stored->type, registry::REG_DWORD) << name;
        EXPECT_EQ(stored->data, registry::DwordBytes(value)) << name;
    }
    auto expectRecord = [&](std::string_view name, auto bytes) {
        const auto stored = Get(name);
        ASSERT_TRUE(stored) << name;
        EXPECT_EQ(stored->type, registry::REG_BINARY);
        EXPECT_EQ(stored->data, std::vector<uint8_t>(bytes.begin(), bytes.end())) << name;
    };
    expectRecord("MP3 Configuration", Mp3Settings{}.ToBytes());
    expectRecord("OGG Configuration", OggSettings{}.ToBytes());
    expectRecord("WAV Configuration", WavSettings{}.ToBytes());
    expectRecord("WMA Configuration", WmaSettings{}.ToBytes());

    const auto target = Get("Target Directory");
    ASSERT_TRUE(target);
    EXPECT_EQ(target->type, registry::REG_SZ);
    EXPECT_EQ(target->data, registry::StringBytes(OutputFolder()));
    EXPECT_TRUE(fs::is_directory(OutputFolder()));

    // Values without a start default stay absent.
    for (const char* name :
         {"Show FQPN", "Open Directory", "Audio Filename", "Virgin", "Last Checked"}) {
        EXPECT_FALSE(Get(name)) << name;
    }
    EXPECT_EQ(Key().EnumValues()->size(), dwords.size() + 5);
}

TEST_F(SettingsStoreTest, StartUpDefaultsKeepWhatIsStoredAndRecreateTheOutputFolder) {
    PutDword("Playback Vol", 333);
    PutDword("Auto Update", 0);
    PutText("Target Directory", "/srv/converted");
    Mp3Settings mp3;
    mp3.cbrBitrate = 320;
    ASSERT_TRUE(SettingsStore().WriteMp3Settings(mp3));
    SettingsStore().EnsureDefaults();
    EXPECT_EQ(Get("Playback Vol")->data, registry::DwordBytes(333));
    EXPECT_EQ(Get("Auto Update")->data, registry::DwordBytes(0));
    EXPECT_EQ(Get("Target Directory")->data, registry::StringBytes("/srv/converted"));
    Mp3Settings read;
    EXPECT_TRUE(SettingsStore().ReadMp3Settings(read));
    EXPECT_EQ(read.cbrBitrate, 320);
    // The default output folder is made at every start, whatever "Target Directory" says.
    EXPECT_TRUE(fs::is_directory(OutputFolder()));
}

TEST_F(SettingsStoreTest, TheOutputFolderFollowsTheUserDirsFile) {
    std::ofstream(configDir() / "user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/Lieder\"\n";
    std::string folder;
    EXPECT_TRUE(SettingsStore().ReadTargetDirectory(folder));
    EXPECT_EQ(folder, (homeDir() / "Lieder" / "Tarnel Audio").string());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(Get("Target Directory")->data, registry::StringBytes(folder));
}

TEST_F(SettingsStoreTest, DwordReadsAndTheirPresets) {
    SettingsStore store;
    int32_t value = 7;
    EXPECT_FALSE(store.ReadNamingStrategy(value));
    EXPECT_EQ(value, 7);  // preset kept
    // "Format" and "Logging Level" set their defaults once the key is open.
    int32_t format = 201;
    EXPECT_FALSE(store.ReadFormat(format));
    EXPECT_EQ(format, 200);
    int32_t level = 2;
    EXPECT_FALSE(store.ReadLoggingLevel(level));
    EXPECT_EQ(level, 0);

    EXPECT_TRUE(store.WriteFormat(203));
    EXPECT_TRUE(store.ReadFormat(format));
    EXPECT_EQ(format, 203);
    EXPECT_TRUE(store.WritePlaybackVolume(-1));
    EXPECT_EQ(Get("Playback Vol")->data, registry::DwordBytes(0xffffffff));
    EXPECT_TRUE(store.ReadPlaybackVolume(value));
    EXPECT_EQ(value, -1);
    uint32_t seconds = 0;
    EXPECT_TRUE(store.WriteLastChecked(0xfedcba98));
    EXPECT_TRUE(store.ReadLastChecked(seconds));
    EXPECT_EQ(seconds, 0xfedcba98u);
}

TEST_F(SettingsStoreTest, ValuesOfTheWrongShapeReadAsMissing) {
    SettingsStore store;
    PutText("Logging Depth", "100");
    int32_t depth = 55;
    EXPECT_FALSE(store.ReadLoggingDepth(depth));
    EXPECT_EQ(depth, 55);
    Put("Naming Strategy", registry::REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0});  // 8 bytes
    int32_t naming = 9;
    EXPECT_FALSE(store.ReadNamingStrategy(naming));
    EXPECT_EQ(naming, 9);
    Put("Playback Vol", registry::REG_DWORD, {1, 2});  // 2 bytes
    int32_t volume = 9;
    EXPECT_FALSE(store.ReadPlaybackVolume(volume));
    EXPECT_EQ(volume, 9);
    Put("Format", registry::REG_BINARY, registry::DwordBytes(201));
    int32_t format = 202;
    EXPECT_FALSE(store.ReadFormat(format));
    EXPECT_EQ(format, 200);

    // The start-up pass replaces each of them with its default.
    store.EnsureDefaults();
    EXPECT_EQ(Get("Logging Depth")->type, registry::REG_DWORD);
    EXPECT_EQ(Get("Logging Depth")->data, registry::DwordBytes(100));
    EXPECT_EQ(Get("Naming Strategy")->data, registry::DwordBytes(0));
    EXPECT_EQ(Get("Playback Vol")->data, registry::DwordBytes(70));
    EXPECT_EQ(Get("Format")->type, registry::REG_DWORD);
    EXPECT_EQ(Get("Format")->data, registry::DwordBytes(200));
}

TEST_F(SettingsStoreTest, FlagReads) {
    SettingsStore store;
    bool on = true;
    EXPECT_FALSE(store.ReadShowFqpn(on));
    EXPECT_FALSE(on);  // missing: false in the flag too
    PutDword("Show FQPN", 5);
    EXPECT_TRUE(store.ReadShowFqpn(on));
    EXPECT_TRUE(on);  // any non-zero number
    PutDword("Index WMA Files", 2);
    EXPECT_TRUE(store.ReadIndexWmaFiles(on));
    EXPECT_FALSE(on);  // indexing alone needs exactly 1
    PutDword("Index WMA Files", 1);
    EXPECT_TRUE(store.ReadIndexWmaFiles(on));
    EXPECT_TRUE(on);
    PutText("Sound Alerts", "1");
    on = true;
    EXPECT_FALSE(store.ReadSoundAlerts(on));
    EXPECT_FALSE(on);
    EXPECT_TRUE(store.WriteSoundAlerts(true));
    EXPECT_EQ(Get("Sound Alerts")->data, registry::DwordBytes(1));
    EXPECT_TRUE(store.WriteAutoUpdate(false));
    EXPECT_EQ(Get("Auto Update")->data, registry::DwordBytes(0));
    EXPECT_TRUE(store.ReadAutoUpdate(on));
    EXPECT_FALSE(on);
}

TEST_F(SettingsStoreTest, WithoutAStoreReadsKeepEveryPresetAndWritesFail) {
    BlockTheStore();
    SettingsStore store;
    int32_t format = 202;
    EXPECT_FALSE(store.ReadFormat(format));
    EXPECT_EQ(format, 202);  // the key never opened, so the 200 rule does not apply
    int32_t level = 2;
    EXPECT_FALSE(store.ReadLoggingLevel(level));
    EXPECT_EQ(level, 2);
    bool on = true;
    EXPECT_FALSE(store.ReadSoundAlerts(on));
    EXPECT_TRUE(on);
    Mp3Settings mp3;
    mp3.cbrBitrate = 96;
    EXPECT_FALSE(store.ReadMp3Settings(mp3));
    EXPECT_EQ(mp3.cbrBitrate, 96);
    EXPECT_FALSE(store.WriteFormat(201));
    EXPECT_FALSE(store.WriteMp3Settings(mp3));
    EXPECT_FALSE(store.IsKnownUser());
    EXPECT_EQ(store.CurrentExtension(), ".wma");
    store.EnsureDefaults();  // does nothing, and does not fail loudly
}

TEST_F(SettingsStoreTest, RecordReads) {
    SettingsStore store;
    OggSettings ogg;
    ogg.quality = 42.25;
    ogg.bitrateMode = 2;
    EXPECT_TRUE(store.WriteOggSettings(ogg));
    EXPECT_EQ(Get("OGG Configuration")->data.size(), 40u);
    OggSettings read;
    EXPECT_TRUE(store.ReadOggSettings(read));
    EXPECT_EQ(read, ogg);

    // 40 bytes of "MP3 Configuration": the read fails and the preset stays.
    Put("MP3 Configuration", registry::REG_BINARY, std::vector<uint8_t>(40, 0x11));
    Mp3Settings mp3;
    mp3.sampleRate = 22050;
    EXPECT_FALSE(store.ReadMp3Settings(mp3));
    EXPECT_EQ(mp3.sampleRate, 22050);
    EXPECT_EQ(mp3.cbrBitrate, 128);

    // A block of the wrong type fails too.
    Put("WMA Configuration", registry::REG_SZ, registry::StringBytes("12345678901"));
    WmaSettings wma;
    EXPECT_FALSE(store.ReadWmaSettings(wma));
    EXPECT_EQ(wma, WmaSettings{});

    // A shorter block succeeds and fills only its own length.
    Put("WAV Configuration", registry::REG_BINARY, {0x05, 0, 0, 0, 0x04, 0, 0, 0});
    WavSettings wav;
    wav.sampleRate = 8000;
    EXPECT_TRUE(store.ReadWavSettings(wav));
    EXPECT_EQ(wav.compressorIndex, 5);
    EXPECT_EQ(wav.compressorListIndex, 4);
    EXPECT_EQ(wav.pcmFormatIndex, 23);
    EXPECT_EQ(wav.sampleRate, 8000);

    // The start-up pass rewrites the failing blocks and keeps the short one.
    store.EnsureDefaults();
    const auto mp3Bytes = Mp3Settings{}.ToBytes();
    EXPECT_EQ(Get("MP3 Configuration")->data,
              std::vector<uint8_t>(mp3Bytes.begin(), mp3Bytes.end()));
    EXPECT_EQ(Get("WMA Configuration")->type, registry::REG_BINARY);
    EXPECT_EQ(Get("WMA Configuration")->data.size(), 12u);
    EXPECT_EQ(Get("WAV Configuration")->data.size(), 8u);
}

TEST_F(SettingsStoreTest, CurrentExtensionOfEachFormat) {
    SettingsStore store;
    EXPECT_EQ(store.CurrentExtension(), ".wma");  // nothing stored: 200
    const std::vector<std::pair<int32_t, std::string>> cases{
        {200, ".wma"}, {201, ".mp3"}, {202, ".ogg"}, {203, ".wav"}, {205, ""}, {199, ""}, {-1, ""}};
    for (const auto& [code, extension] : cases) {
        ASSERT_TRUE(store.WriteFormat(code));
        EXPECT_EQ(store.CurrentExtension(), extension) << code;
    }
}

TEST_F(SettingsStoreTest, TextReadsNeedTheirNulAndFitTheirBuffer) {
    SettingsStore store;
    std::string folder = "preset";
    EXPECT_TRUE(store.WriteOpenDirectory("/music/in"));
    EXPECT_EQ(Get("Open Directory")->data, registry::StringBytes("/music/in"));
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, "/music/in");

    // 255 characters and the NUL fit the 256-byte buffer; 256 do not.
    const std::string longest = "/" + std::string(254, 'd');
    EXPECT_TRUE(store.WriteOpenDirectory(longest));
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, longest);
    const std::string fallback = OutputFolder() + "/tarnelaudio.wma";
    EXPECT_TRUE(store.WriteOpenDirectory(longest + "d"));
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, fallback);
    // 300 characters: missing, so the add-files dialog starts from the "Audio Filename" rule.
    EXPECT_TRUE(store.WriteOpenDirectory("/" + std::string(299, 'x')));
    folder.clear();
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, fallback);

    // Without its terminating NUL, or of another type, the text is missing too.
    Put("Open Directory", registry::REG_SZ, {'/', 'a'});
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, fallback);
    Put("Open Directory", registry::REG_BINARY, registry::StringBytes("/a"));
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, fallback);
    Put("Open Directory", registry::REG_SZ, {});
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, fallback);
    // REG_EXPAND_SZ is taken as stored; text ends at the first NUL.
    Put("Open Directory", registry::REG_EXPAND_SZ, registry::StringBytes("$HOME/in"));
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, "$HOME/in");
    Put("Open Directory", registry::REG_SZ, {'/', 'a', 0, 'b', 0});
    EXPECT_TRUE(store.ReadOpenDirectory(folder));
    EXPECT_EQ(folder, "/a");

    // "Target Directory" and "Audio Filename" have 32768 bytes.
    const std::string big = "/" + std::string(32766, 't');
    ASSERT_TRUE(store.WriteTargetDirectory(big));
    EXPECT_TRUE(store.ReadTargetDirectory(folder));
    EXPECT_EQ(folder, big);
    ASSERT_TRUE(store.WriteTargetDirectory(big + "t"));
    EXPECT_TRUE(store.ReadTargetDirectory(folder));
    EXPECT_EQ(folder, OutputFolder());  // missing: the default is stored again
    EXPECT_EQ(Get("Target Directory")->data, registry::StringBytes(OutputFolder()));
}

TEST_F(SettingsStoreTest, AudioFileNameTakesTheCurrentExtension) {
    SettingsStore store;
    std::string path;
    // Never stored: the default output folder with "tarnelaudio" and the current extension.
    ASSERT_TRUE(store.WriteFormat(201));
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, OutputFolder() + "/tarnelaudio.mp3");
    EXPECT_TRUE(fs::is_directory(OutputFolder()));
    EXPECT_FALSE(Get("Audio Filename"));  // reading never stores it

    ASSERT_TRUE(store.WriteFormat(202));
    PutText("Audio Filename", "C:\\x\\song.wav");
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "C:\\x\\song.ogg");
    PutText("Audio Filename", "/m/song.ogg");
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m/song.ogg");
    PutText("Audio Filename", "/m/song");  // no extension: unchanged
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m/song");
    PutText("Audio Filename", "/m.wav/song");  // the dot is in a folder name
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m.wav/song");
    // Only the file name's extension changes, not the same text in a folder name.
    PutText("Audio Filename", "/m/x.wav/song.wav");
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m/x.wav/song.ogg");
    PutText("Audio Filename", "/m/song.OGG");  // compared with case
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m/song.ogg");
    ASSERT_TRUE(store.WriteFormat(205));  // unknown format: the extension goes
    PutText("Audio Filename", "/m/song.wav");
    EXPECT_TRUE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "/m/song");
}

TEST_F(SettingsStoreTest, WithoutAMusicFolderThereIsNoDefaultFileName) {
    std::ofstream(homeDir() / "Music") << "a file in the way";
    SettingsStore store;
    std::string path = "preset";
    EXPECT_FALSE(store.ReadAudioFileName(path));
    EXPECT_EQ(path, "preset");
    EXPECT_FALSE(fs::exists(fs::current_path() / "Tarnel Audio"));
}

TEST_F(SettingsStoreTest, KnownUser) {
    SettingsStore store;
    EXPECT_FALSE(store.IsKnownUser());
    PutText("Virgin", "yes");
    EXPECT_FALSE(store.IsKnownUser());  // only a DWORD counts
    EXPECT_TRUE(store.MarkKnownUser());
    EXPECT_TRUE(store.IsKnownUser());
    EXPECT_EQ(Get("Virgin")->type, registry::REG_DWORD);
}

TEST_F(SettingsStoreTest, FrameworkEntries) {
    SettingsStore store;
    std::string placement = "preset";
    EXPECT_FALSE(store.ReadMainWindow(placement));
    EXPECT_EQ(placement, "preset");
    EXPECT_TRUE(store.WriteMainWindow("1,0,-1,-1,-1,-1,10,810,20,620"));
    EXPECT_TRUE(store.ReadMainWindow(placement));
    EXPECT_EQ(placement, "1,0,-1,-1,-1,-1,10,810,20,620");

    EXPECT_TRUE(store.ReadRecentFiles().empty());
    EXPECT_TRUE(
        store.WriteRecentFiles({"/a.qzconv", "/b.qzconv", "/c.qzconv", "/d.qzconv", "/e.qzconv"}));
    EXPECT_EQ(store.ReadRecentFiles(),
              (std::vector<std::string>{"/a.qzconv", "/b.qzconv", "/c.qzconv", "/d.qzconv"}));
    EXPECT_TRUE(store.WriteRecentFiles({"/z.qzconv"}));
    EXPECT_EQ(store.ReadRecentFiles(), std::vector<std::string>{"/z.qzconv"});
    // The list lives in its own sub-key, not beside the settings.
    auto list = Key().OpenSubKey("Recent File List", RegistryKey::kOpenExisting);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->QueryValue("File1")->data, registry::StringBytes("/z.qzconv"));
    EXPECT_FALSE(list->QueryValue("File2"));
    EXPECT_FALSE(Get("File1"));
}

}  // namespace
}  // namespace tarnel
