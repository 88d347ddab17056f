#include "engine/OggMarker.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

bool Marked(const std::string& text) {
    return HasOggMarker(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(OggMarker, FirstFourBytesMustHoldTheLettersOggInAnyCase) {
    EXPECT_TRUE(Marked("OggS\0\x02rest"));
    EXPECT_TRUE(Marked("oGgX"));
    EXPECT_TRUE(Marked("xOGG"));
    EXPECT_TRUE(Marked("OGGS"));
    EXPECT_FALSE(Marked("OgS "));   // O, g, S
    EXPECT_FALSE(Marked("xxOgg"));  // the letters lie beyond the fourth byte
    EXPECT_FALSE(Marked("RIFF"));
    EXPECT_FALSE(Marked(std::string("\0ogg", 4)));  // text ends at the NUL
    EXPECT_FALSE(Marked(std::string("o\0gg", 4)));
    EXPECT_TRUE(Marked("ogg"));  // a three-byte file
    EXPECT_FALSE(Marked("og"));
    EXPECT_FALSE(Marked(""));
}

class OggMarkerFile : public test::IsolatedTest {};

TEST_F(OggMarkerFile, ReadsOnlyTheHeadOfTheFile) {
    const auto ogg = root() / "a.bin";
    test::WriteFileBytes(ogg, {'O', 'g', 'g', 'S', 0, 2});
    EXPECT_TRUE(FileHasOggMarker(ogg));
    const auto wav = root() / "b.ogg";  // the extension plays no part
    test::WriteFileBytes(wav, test::EncodeWav(test::MakeSine(8000, 1, 0.1, 440, 0.5)));
    EXPECT_FALSE(FileHasOggMarker(wav));
    EXPECT_FALSE(FileHasOggMarker(root() / "missing.ogg"));
}

}  // namespace
}  // namespace tarnel
