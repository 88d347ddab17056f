#include <gtest/gtest.h>

#include "tests/wma/ScriptedRuntime.h"
#include "wma/ProfileCreator.h"

namespace tarnel {
namespace {

using test::MakeFormats;
using test::ScriptedCodec;
using test::ScriptedFactory;

struct Made {
    bool ok = false;
    std::shared_ptr<IWMProfile> profile;
    std::shared_ptr<IWMStreamConfig> stream;  // the profile's first stream, when it has one
};

Made Create(ScriptedFactory& factory, const std::string& codec, int32_t formatIndex, uint8_t vbr,
            ProfileCreator** creatorOut = nullptr) {
    static std::unique_ptr<ProfileCreator> keep;
    keep = std::make_unique<ProfileCreator>(factory);
    keep->codecName = codec;
    keep->formatIndex = formatIndex;
    keep->vbr = vbr;
    Made made;
    made.ok = keep->CreateProfile(&made.profile);
    uint32_t count = 0;
    if (made.profile && SUCCEEDED(made.profile->GetStreamCount(&count)) && count > 0) {
        made.profile->GetStream(0, &made.stream);
    }
    if (creatorOut) *creatorOut = keep.get();
    return made;
}

uint32_t BitrateOf(IWMStreamConfig* stream) {
    uint32_t bitrate = 0;
    EXPECT_EQ(stream->GetBitrate(&bitrate), S_OK);
    return bitrate;
}

class ProfileCreatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory.runtime->codecs = {ScriptedCodec{"Other", MakeFormats(3), {}},
                                   ScriptedCodec{"Ten", MakeFormats(10), MakeFormats(4, 100)},
                                   ScriptedCodec{"Thirty", MakeFormats(30), {}}};
    }
    ScriptedFactory factory;
};

TEST_F(ProfileCreatorTest, AnIndexPastTheListSelectsTheMiddleFormat) {
    EXPECT_EQ(BitrateOf(Create(factory, "Ten", 24, 0).stream.get()), 6000u);      // format 5
    EXPECT_EQ(BitrateOf(Create(factory, "Thirty", 24, 0).stream.get()), 25000u);  // format 24
    EXPECT_EQ(BitrateOf(Create(factory, "Ten", -1, 0).stream.get()), 6000u);      // unsigned
    EXPECT_EQ(BitrateOf(Create(factory, "Ten", 10, 0).stream.get()), 6000u);
    EXPECT_EQ(BitrateOf(Create(factory, "Ten", 9, 0).stream.get()), 10000u);
}

TEST_F(ProfileCreatorTest, TheOneStreamIsNumberOneNamedAudio1WithTheFormatsMediaType) {
    ProfileCreator* creator = nullptr;
    Made made = Create(factory, "Thirty", 2, 0, &creator);
    ASSERT_TRUE(made.ok);
    uint32_t streams = 0;
    made.profile->GetStreamCount(&streams);
    EXPECT_EQ(streams, 1u);
    IWMStreamConfig* stream = made.stream.get();
    uint16_t number = 0;
    std::string name;
    uint32_t window = 0;
    GUID type;
    stream->GetStreamNumber(&number);
    stream->GetStreamName(&name);
    stream->GetBufferWindow(&window);
    stream->GetStreamType(&type);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(name, "Audio1");
    EXPECT_EQ(window, 3000u);
    EXPECT_EQ(type, WMMEDIATYPE_Audio);
    EXPECT_EQ(BitrateOf(stream), 3000u);
    CMediaType mediaType;
    ASSERT_EQ(Query<IWMMediaProps>(stream)->GetMediaType(&mediaType), S_OK);
    EXPECT_EQ(mediaType.WaveFormatEx()->nAvgBytesPerSec, 3000u / 8);
    std::string language;
    Query<IWMStreamConfig3>(stream)->GetLanguage(&language);
    EXPECT_FALSE(language.empty());
    WMT_ATTR_DATATYPE propertyType;
    std::vector<uint8_t> value;
    ASSERT_EQ(
        Query<IWMPropertyVault>(stream)->GetPropertyByName("_VBRENABLED", &propertyType, &value),
        S_OK);
    EXPECT_EQ(propertyType, WMT_TYPE_BOOL);
    EXPECT_EQ(value, WmDword(0));

    std::string profileName, description;
    made.profile->GetName(&profileName);
    made.profile->GetDescription(&description);
    EXPECT_EQ(profileName, "Tarnel Morlat Custom Profile");
    EXPECT_EQ(description, "Custom screen video profile created by Tarnel Morlat!");

    ASSERT_EQ(creator->Streams().size(), 1u);
    auto* described = dynamic_cast<CStream*>(creator->Streams()[0].get());
    ASSERT_NE(described, nullptr);
    EXPECT_EQ(described->streamName, "Audio Stream");
    EXPECT_EQ(described->codecIndex, 2);
    EXPECT_EQ(described->formatCode, 2u);
}

TEST_F(ProfileCreatorTest, VbrPicksFromTheVbrListAndMarksTheStream) {
    Made made = Create(factory, "Ten", 3, 1);
    ASSERT_TRUE(made.ok);
    EXPECT_EQ(BitrateOf(made.stream.get()), 4100u);  // VBR format 3, not CBR format 3
    WMT_ATTR_DATATYPE type;
    std::vector<uint8_t> value;
    Query<IWMPropertyVault>(made.stream.get())->GetPropertyByName("_VBRENABLED", &type, &value);
    EXPECT_EQ(value, WmDword(1));
    // Both times (describing, creating) the VBR list was chosen with one pass.
    int passes = 0;
    for (const auto& call : factory.runtime->settingCalls) {
        if (call.name == "_PASSESUSED") {
            EXPECT_EQ(call.value, 1u);
            ++passes;
        }
    }
    EXPECT_EQ(passes, 2);
    // An index past the four VBR formats picks VBR format 2.
    EXPECT_EQ(BitrateOf(Create(factory, "Ten", 24, 1).stream.get()), 3100u);
}

TEST_F(ProfileCreatorTest, VbrOnACodecWithoutVbrFailsWithoutAStream) {
    factory.runtime->codecs[1].hasVbr = false;
    Made made = Create(factory, "Ten", 0, 1);
    EXPECT_FALSE(made.ok);
    ASSERT_NE(made.profile, nullptr);  // handed to the writer, which refuses it
    EXPECT_EQ(made.stream, nullptr);
}

TEST_F(ProfileCreatorTest, AnUnlistedCodecEndsTheSearchWithoutMakingAProfile) {
    ProfileCreator* creator = nullptr;
    Made made = Create(factory, "ten", 0, 0, &creator);  // names compare case-sensitively
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(made.profile, nullptr);
    EXPECT_EQ(factory.runtime->createProfileCalls, 0);
    EXPECT_TRUE(creator->Streams().empty());
}

TEST_F(ProfileCreatorTest, RuntimeFailuresGiveFalse) {
    factory.runtime->createProfileResult = E_OUTOFMEMORY;
    Made noProfile = Create(factory, "Ten", 0, 0);
    EXPECT_FALSE(noProfile.ok);
    EXPECT_EQ(noProfile.profile, nullptr);

    factory.runtime->createProfileResult = S_OK;
    factory.runtime->getFormatResult = E_FAIL;
    Made noFormat = Create(factory, "Ten", 0, 0);
    EXPECT_FALSE(noFormat.ok);
    EXPECT_NE(noFormat.profile, nullptr);
    EXPECT_EQ(noFormat.stream, nullptr);

    factory.runtime->getFormatResult = S_OK;
    factory.runtime->codecCountResult = E_FAIL;
    EXPECT_FALSE(Create(factory, "Ten", 0, 0).ok);

    ScriptedFactory unavailable;
    unavailable.fail = true;
    EXPECT_FALSE(Create(unavailable, "Ten", 0, 0).ok);
}

TEST(LanguageTagTest, LocaleNamesBecomeRfc1766Tags) {
    EXPECT_EQ(Rfc1766FromLocale("de_DE.UTF-8"), "de-DE");
    EXPECT_EQ(Rfc1766FromLocale("pt_BR@euro"), "pt-BR");
    EXPECT_EQ(Rfc1766FromLocale("fr"), "fr");
    EXPECT_EQ(Rfc1766FromLocale("C.UTF-8"), "en-US");
    EXPECT_EQ(Rfc1766FromLocale("POSIX"), "en-US");
    EXPECT_EQ(Rfc1766FromLocale(""), "en-US");
    EXPECT_EQ(Rfc1766FromLocale("en_1234"), "en-US");
}

}  // namespace
}  // namespace tarnel
