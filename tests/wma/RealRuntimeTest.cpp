// The profile code over the runtime stand-in of this system, i.e. over FFmpeg's WMA encoders.
#include <gtest/gtest.h>

#include <regex>

#include "platform/media/wmruntime/CWMProfileManager.h"
#include "platform/media/wmruntime/WindowsMediaCodecCatalog.h"
#include "wma/ProfileCreator.h"
#include "wma/ProfileEnumerator.h"
#include "wma/WmaProfiles.h"

namespace tarnel {
namespace {

TEST(RealRuntimeTest, ListsTheWmaEncodersOfTheBuildWithFormatsLowToHigh) {
    ProfileEnumerator enumerator;
    std::vector<std::string> names;
    WmaFormatMap formats;
    enumerator.GetCodecNames(names);
    enumerator.GetFormats(formats);
    // Debian's FFmpeg has both WMA encoders; the better one comes first.
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "Windows Media Audio 2");
    EXPECT_EQ(names[1], "Windows Media Audio 1");

    const std::regex described(R"((\d+) kbps, (\d+) kHz, (mono|stereo) CBR)");
    for (const std::string& name : names) {
        auto [begin, end] = formats.equal_range(name);
        ASSERT_NE(begin, end) << name;
        int32_t expectedIndex = 0;
        std::tuple<int, int, int> previous{0, 0, 0};
        for (auto it = begin; it != end; ++it) {
            const WmaFormatEntry& entry = it->second;
            EXPECT_EQ(entry.vbr, 0) << "no WMA encoder of FFmpeg has VBR";
            EXPECT_EQ(entry.formatIndex, expectedIndex++);
            std::smatch m;
            ASSERT_TRUE(std::regex_match(entry.description, m, described)) << entry.description;
            std::tuple<int, int, int> key{std::stoi(m[1]), std::stoi(m[2]), m[3] == "mono" ? 1 : 2};
            EXPECT_LT(previous, key) << entry.description;
            previous = key;
        }
    }
}

TEST(RealRuntimeTest, EveryListedFormatIsOneTheEncoderTakes) {
    for (const media::WmaCodec& codec : media::InstalledWmaCodecs()) {
        for (const media::WmaCodecFormat& format : codec.formats) {
            uint16_t blockAlign = 0;
            std::vector<uint8_t> extra;
            EXPECT_TRUE(media::TryWmaEncoder(codec.encoderName, format.bitrate, format.sampleRate,
                                             format.channels, &blockAlign, &extra))
                << format.description;
            EXPECT_EQ(blockAlign, format.blockAlign);
        }
        // Below what the encoder can reach is refused, above is taken.
        uint16_t blockAlign = 0;
        std::vector<uint8_t> extra;
        EXPECT_FALSE(media::TryWmaEncoder(codec.encoderName, 1000, 44100, 2, &blockAlign, &extra));
        EXPECT_FALSE(
            media::TryWmaEncoder(codec.encoderName, 128000, 96000, 2, &blockAlign, &extra));
        EXPECT_FALSE(
            media::TryWmaEncoder("no such encoder", 128000, 44100, 2, &blockAlign, &extra));
    }
}

TEST(RealRuntimeTest, VbrIsRefusedAsUnsupportedAndOnePassOnly) {
    std::shared_ptr<IWMProfileManager> manager;
    ASSERT_EQ(WMCreateProfileManager(&manager), S_OK);
    auto* info = Query<IWMCodecInfo3>(manager.get());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, "_VBRENABLED", WMT_TYPE_BOOL,
                                               WmDword(1)),
              NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, "_VBRENABLED", WMT_TYPE_BOOL,
                                               WmDword(0)),
              S_OK);
    EXPECT_EQ(info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, "_PASSESUSED", WMT_TYPE_DWORD,
                                               WmDword(2)),
              NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, "_VBRENABLED", WMT_TYPE_DWORD,
                                               WmDword(0)),
              E_INVALIDARG);
    EXPECT_EQ(info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 99, "_VBRENABLED", WMT_TYPE_BOOL,
                                               WmDword(0)),
              E_INVALIDARG);
    uint32_t count = 7;
    EXPECT_EQ(info->GetCodecInfoCount(WMMEDIATYPE_Video, &count), S_OK);
    EXPECT_EQ(count, 0u);
    std::shared_ptr<IWMStreamConfig> config;
    EXPECT_EQ(info->GetCodecFormat(WMMEDIATYPE_Audio, 0, 100000, &config), E_INVALIDARG);
}

TEST(RealRuntimeTest, TheDefaultSettingsGiveA128KbpsStereoProfile) {
    // WmaSettings defaults: codec 0, format 24, constant bitrate.
    const std::vector<std::string> names = ListWmaCodecNames();
    ASSERT_FALSE(names.empty());
    std::shared_ptr<IWMProfile> profile;
    ASSERT_EQ(CreateWmaProfile(names[0], 24, 0, &profile), S_OK);
    std::shared_ptr<IWMStreamConfig> stream;
    ASSERT_EQ(profile->GetStream(0, &stream), S_OK);
    CMediaType type;
    ASSERT_EQ(Query<IWMMediaProps>(stream.get())->GetMediaType(&type), S_OK);
    auto wfx = type.WaveFormat();
    ASSERT_TRUE(wfx.has_value());
    EXPECT_EQ(wfx->format.wFormatTag, 0x0161);
    EXPECT_EQ(wfx->format.nSamplesPerSec, 44100u);
    EXPECT_EQ(wfx->format.nChannels, 2);
    EXPECT_EQ(wfx->format.nAvgBytesPerSec, 16000u);
    EXPECT_FALSE(wfx->extra.empty()) << "the decoder needs the codec data";
    uint32_t bitrate = 0;
    stream->GetBitrate(&bitrate);
    EXPECT_EQ(bitrate, 128000u);

    // VBR cannot be had from this runtime: no profile stream, a failure the engine reports.
    std::shared_ptr<IWMProfile> vbrProfile;
    EXPECT_EQ(CreateWmaProfile(names[0], 3, 1, &vbrProfile), E_FAIL);
    uint32_t streams = 9;
    ASSERT_NE(vbrProfile, nullptr);
    vbrProfile->GetStreamCount(&streams);
    EXPECT_EQ(streams, 0u);
}

TEST(RealRuntimeTest, ProfilesKeepCopiesAndRefuseDuplicateStreamNumbers) {
    std::shared_ptr<IWMProfileManager> manager;
    ASSERT_EQ(WMCreateProfileManager(&manager), S_OK);
    std::shared_ptr<IWMProfile> profile;
    EXPECT_EQ(manager->CreateEmptyProfile(0x12345, &profile), E_INVALIDARG);
    ASSERT_EQ(manager->CreateEmptyProfile(WMT_VER_9_0, &profile), S_OK);
    std::shared_ptr<IWMStreamConfig> config;
    ASSERT_EQ(profile->CreateNewStream(WMMEDIATYPE_Audio, &config), S_OK);
    EXPECT_EQ(profile->AddStream(config.get()), E_INVALIDARG) << "stream number 0";
    ASSERT_EQ(config->SetStreamNumber(1), S_OK);
    EXPECT_EQ(config->SetStreamNumber(64), E_INVALIDARG);
    ASSERT_EQ(profile->AddStream(config.get()), S_OK);
    EXPECT_EQ(profile->AddStream(config.get()), E_INVALIDARG) << "number 1 is taken";
    config->SetBitrate(777);
    std::shared_ptr<IWMStreamConfig> added;
    ASSERT_EQ(profile->GetStreamByNumber(1, &added), S_OK);
    uint32_t bitrate = 1;
    added->GetBitrate(&bitrate);
    EXPECT_EQ(bitrate, 0u) << "the profile holds a copy";
    CMediaType video(MEDIATYPE_Video, GUID_NULL);
    EXPECT_EQ(Query<IWMMediaProps>(added.get())->SetMediaType(&video), E_INVALIDARG);
}

}  // namespace
}  // namespace tarnel
