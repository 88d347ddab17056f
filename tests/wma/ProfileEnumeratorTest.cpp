#include <gtest/gtest.h>

#include "tests/wma/ScriptedRuntime.h"
#include "wma/CodecDescriptions.h"
#include "wma/ProfileEnumerator.h"

namespace tarnel {
namespace {

using test::MakeFormats;
using test::ScriptedCodec;
using test::ScriptedFactory;

std::vector<WmaFormatEntry> EntriesOf(const WmaFormatMap& formats, const std::string& codec) {
    std::vector<WmaFormatEntry> entries;
    auto [begin, end] = formats.equal_range(codec);
    for (auto it = begin; it != end; ++it) entries.push_back(it->second);
    return entries;
}

TEST(ProfileEnumeratorTest, ConstantBitrateFormatsComeBeforeVbrFormatsOfTheSameCodec) {
    ScriptedFactory factory;
    factory.runtime->codecs = {ScriptedCodec{"Codec A", MakeFormats(4), MakeFormats(3, 500)}};
    ProfileEnumerator enumerator(factory);
    WmaFormatMap formats;
    enumerator.GetFormats(formats);

    const auto entries = EntriesOf(formats, "Codec A");
    ASSERT_EQ(entries.size(), 7u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i], (WmaFormatEntry{"fmt " + std::to_string(i), i, 0})) << i;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[4 + i], (WmaFormatEntry{"fmt " + std::to_string(i), i, 1})) << i;
    }
    // The VBR list is asked for with one pass; the constant-bitrate list without passes.
    const auto& calls = factory.runtime->settingCalls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "_VBRENABLED");
    EXPECT_EQ(calls[0].value, 0u);
    EXPECT_EQ(calls[1].name, "_VBRENABLED");
    EXPECT_EQ(calls[1].value, 1u);
    EXPECT_EQ(calls[2].name, "_PASSESUSED");
    EXPECT_EQ(calls[2].value, 1u);
}

TEST(ProfileEnumeratorTest, SkippedFormatsKeepTheRuntimeIndicesOfTheOthers) {
    ScriptedFactory factory;
    ScriptedCodec codec{"Codec A", MakeFormats(5), {}};
    codec.cbr[1].description = "64 kbps, 44 kHz, stereo (A/V) CBR";
    codec.cbr[3].description.clear();
    factory.runtime->codecs = {codec};
    ProfileEnumerator enumerator(factory);
    WmaFormatMap formats;
    enumerator.GetFormats(formats);
    const auto entries = EntriesOf(formats, "Codec A");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].formatIndex, 0);
    EXPECT_EQ(entries[1].formatIndex, 2);
    EXPECT_EQ(entries[2].formatIndex, 4);
}

TEST(ProfileEnumeratorTest, TheRuntimeIsAskedOncePerEnumerator) {
    ScriptedFactory factory;
    factory.runtime->codecs = {ScriptedCodec{"Codec A", MakeFormats(2), {}}};
    ProfileEnumerator enumerator(factory);
    WmaFormatMap first, second;
    std::vector<std::string> names;
    enumerator.GetFormats(first);
    enumerator.GetFormats(second);
    enumerator.GetCodecNames(names);
    EXPECT_EQ(first, second);
    EXPECT_EQ(names, std::vector<std::string>{"Codec A"});
    EXPECT_EQ(*factory.managersMade, 1);
    EXPECT_EQ(factory.runtime->countCalls, 1);

    // A second enumerator asks afresh; for the names alone it asks for no formats.
    const size_t settingCalls = factory.runtime->settingCalls.size();
    ProfileEnumerator other(factory);
    other.GetCodecNames(names);
    EXPECT_EQ(factory.runtime->countCalls, 2);
    EXPECT_EQ(names, std::vector<std::string>{"Codec A"});
    EXPECT_EQ(factory.runtime->settingCalls.size(), settingCalls);
}

TEST(ProfileEnumeratorTest, CodecsWithoutAnyFormatAreListedOnceAndKeepTheirPositions) {
    ScriptedFactory factory;
    factory.runtime->codecs = {ScriptedCodec{"Empty", {}, {}}, ScriptedCodec{"Also empty", {}, {}}};
    ProfileEnumerator enumerator(factory);
    WmaFormatMap formats;
    std::vector<std::string> names;
    enumerator.GetFormats(formats);
    enumerator.GetFormats(formats);  // nothing found: must not list the codecs again
    enumerator.GetCodecNames(names);
    EXPECT_TRUE(formats.empty());
    EXPECT_EQ(names, (std::vector<std::string>{"Empty", "Also empty"}));
    EXPECT_EQ(factory.runtime->countCalls, 1);
}

TEST(ProfileEnumeratorTest, VbrRefusalsAndFailedReads) {
    ScriptedFactory factory;
    ScriptedCodec noVbr{"No VBR", MakeFormats(2), MakeFormats(2)};
    noVbr.hasVbr = false;  // only the CBR list
    ScriptedCodec toleratedCbrRefusal{"CBR refused as unsupported", MakeFormats(1), {}};
    toleratedCbrRefusal.cbrSettingResult = NS_E_UNSUPPORTED_PROPERTY;
    ScriptedCodec brokenCbr{"CBR refused", MakeFormats(3), {}};
    brokenCbr.cbrSettingResult = E_FAIL;
    ScriptedCodec nameless{"ignored", MakeFormats(1), {}};
    nameless.nameFails = true;
    factory.runtime->codecs = {noVbr, toleratedCbrRefusal, brokenCbr, nameless};

    ProfileEnumerator enumerator(factory);
    WmaFormatMap formats;
    std::vector<std::string> names;
    enumerator.GetFormats(formats);
    enumerator.GetCodecNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"No VBR", "CBR refused as unsupported",
                                               "CBR refused", ""}));
    const auto noVbrEntries = EntriesOf(formats, "No VBR");
    ASSERT_EQ(noVbrEntries.size(), 2u);
    EXPECT_EQ(noVbrEntries[1].vbr, 0);
    EXPECT_EQ(EntriesOf(formats, "CBR refused as unsupported").size(), 1u);
    EXPECT_TRUE(EntriesOf(formats, "CBR refused").empty());
    EXPECT_EQ(EntriesOf(formats, "").size(), 1u);  // a codec whose name could not be read
}

TEST(ProfileEnumeratorTest, CodecsAreKeyedByteWiseWithEntriesInInsertionOrder) {
    ScriptedFactory factory;
    factory.runtime->codecs = {ScriptedCodec{"b codec", MakeFormats(2), {}},
                               ScriptedCodec{"B codec", MakeFormats(1), {}}};
    ProfileEnumerator enumerator(factory);
    WmaFormatMap formats;
    enumerator.GetFormats(formats);
    std::vector<std::pair<std::string, int32_t>> order;
    for (const auto& [name, entry] : formats) order.emplace_back(name, entry.formatIndex);
    const std::vector<std::pair<std::string, int32_t>> expected{
        {"B codec", 0}, {"b codec", 0}, {"b codec", 1}};
    EXPECT_EQ(order, expected);
}

TEST(ProfileEnumeratorTest, AnUnavailableRuntimeGivesEmptyLists) {
    ScriptedFactory factory;
    factory.fail = true;
    ProfileEnumerator enumerator(factory);
    std::vector<std::string> names{"left over"};
    WmaFormatMap formats;
    enumerator.GetCodecNames(names);
    enumerator.GetFormats(formats);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(formats.empty());

    ScriptedFactory countFails;
    countFails.runtime->codecs = {ScriptedCodec{"Codec A", MakeFormats(1), {}}};
    countFails.runtime->codecCountResult = E_FAIL;
    ProfileEnumerator second(countFails);
    second.GetCodecNames(names);
    EXPECT_TRUE(names.empty());
}

TEST(CodecDescriptionsTest, NamesAreMatchedInLowerCaseByTheRulesInOrder) {
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 9.1"), kCodecDescriptionGeneric);
    EXPECT_EQ(CodecDescriptionId("WINDOWS MEDIA AUDIO 9"), kCodecDescriptionGeneric);
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 9.1 Professional (192 kbps)"),
              kCodecDescriptionProfessional);
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 9 Voice"), kCodecDescriptionVoice);
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 9.1 Lossless"), kCodecDescriptionLossless);
    EXPECT_EQ(CodecDescriptionId("ACELP.net by Sipro Lab Telecom"), kCodecDescriptionAcelp);
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 10"), std::nullopt);
    // Equality, not containment, for the generic rule.
    EXPECT_EQ(CodecDescriptionId("Windows Media Audio 9.2"), std::nullopt);
    EXPECT_EQ(CodecDescriptionId(""), std::nullopt);
    EXPECT_EQ(CodecDescriptionText(kCodecDescriptionVoice).find("\n\r"), 77u);
    EXPECT_TRUE(CodecDescriptionText(131).empty());
}

}  // namespace
}  // namespace tarnel
