// The bytes of a session stream: the exact layout written, and a reader that trusts nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/SessionStream.h"

namespace tarnel::test {
namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void PutText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

TEST(SessionStream, EmptyListIsACountOfZero) {
    EXPECT_EQ(EncodeSessionStream({}), (Bytes{0, 0, 0, 0}));
    const DecodedSession decoded = DecodeSessionStream(Bytes{0, 0, 0, 0});
    EXPECT_TRUE(decoded.records.empty());
    EXPECT_TRUE(decoded.complete);
}

TEST(SessionStream, RecordsAreWrittenByteForByte) {
    const std::vector<SessionRecord> records = {
        {"/a/b.mp3", FileStatus::Converted, true},
        {"", FileStatus::Idle, false},  // the short form: length and tick only
        {"x", FileStatus::Error, false},
    };
    Bytes expected;
    Put32(expected, 3);
    Put32(expected, 8);
    PutText(expected, "/a/b.mp3");
    Put32(expected, 1004);
    Put32(expected, 1);
    Put32(expected, 0);
    Put32(expected, 0);
    Put32(expected, 1);
    PutText(expected, "x");
    Put32(expected, 1005);
    Put32(expected, 0);
    EXPECT_EQ(EncodeSessionStream(records), expected);

    const DecodedSession decoded = DecodeSessionStream(expected);
    EXPECT_TRUE(decoded.complete);
    EXPECT_EQ(decoded.declaredCount, 3u);
    EXPECT_EQ(decoded.records, records);
}

TEST(SessionStream, StoredStatusCodesAndPathBytesComeBackAsTheyWere) {
    // Any status code is kept, even ones no entry should hold; UTF-8 paths are plain bytes.
    const std::vector<SessionRecord> records = {
        {"/m\xc3\xbcsik/\xe2\x99\xaa.ogg", FileStatus::Playing, true},
        {"/c.wav", FileStatus::Converting, false},
        {"/d.wav", static_cast<FileStatus>(-5), true},
        {"/e.wav", FileStatus::NoStatus, false},
    };
    EXPECT_EQ(DecodeSessionStream(EncodeSessionStream(records)).records, records);
}

TEST(SessionStream, OnlyATickOfOneTicks) {
    Bytes stream;
    Put32(stream, 4);
    for (uint32_t tick : {1u, 2u, 0xFFFFFFFFu, 0x100u}) {
        Put32(stream, 1);
        PutText(stream, "p");
        Put32(stream, 1000);
        Put32(stream, tick);
    }
    const DecodedSession decoded = DecodeSessionStream(stream);
    ASSERT_EQ(decoded.records.size(), 4u);
    EXPECT_TRUE(decoded.records[0].ticked);
    EXPECT_FALSE(decoded.records[1].ticked);
    EXPECT_FALSE(decoded.records[2].ticked);
    EXPECT_FALSE(decoded.records[3].ticked);
}

TEST(SessionStream, HugeCountLoadsOnlyTheRecordsThatAreThere) {
    Bytes stream = EncodeSessionStream(
        {{"/one.mp3", FileStatus::Idle, true}, {"/two.mp3", FileStatus::Converted, false}});
    stream[0] = stream[1] = stream[2] = stream[3] = 0xFF;  // 4294967295 records claimed
    const DecodedSession decoded = DecodeSessionStream(stream);
    EXPECT_EQ(decoded.declaredCount, 4294967295u);
    EXPECT_FALSE(decoded.complete);
    ASSERT_EQ(decoded.records.size(), 2u);
    EXPECT_EQ(decoded.records[1].path, "/two.mp3");
    // The reader sized its list by the bytes, not by the claim.
    EXPECT_LE(decoded.records.capacity(), stream.size() / 8);
}

TEST(SessionStream, PathLongerThanTheStreamEndsTheRead) {
    Bytes stream;
    Put32(stream, 3);
    Put32(stream, 1);
    PutText(stream, "a");
    Put32(stream, 1000);
    Put32(stream, 1);
    Put32(stream, 0xFFFFFFFFu);  // a 4 GiB path
    PutText(stream, "only a few bytes follow");
    const DecodedSession decoded = DecodeSessionStream(stream);
    ASSERT_EQ(decoded.records.size(), 1u);
    EXPECT_EQ(decoded.records[0].path, "a");
    EXPECT_FALSE(decoded.complete);
}

TEST(SessionStream, CutAnywhereKeepsOnlyTheWholeRecordsBeforeTheCut) {
    const std::vector<SessionRecord> records = {{"/first.wav", FileStatus::Error, true},
                                                {"", FileStatus::Idle, true},
                                                {"/third.wav", FileStatus::Idle, false}};
    const Bytes full = EncodeSessionStream(records);
    // Record boundaries: 4 | 4+4+10+4+4 = 26 | 26+8 = 34 | 34+22 = 56.
    ASSERT_EQ(full.size(), 56u);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const DecodedSession decoded =
            DecodeSessionStream(std::span<const uint8_t>(full.data(), cut));
        const size_t whole = cut < 26 ? 0 : cut < 34 ? 1 : 2;
        ASSERT_EQ(decoded.records.size(), whole) << "cut at " << cut;
        EXPECT_FALSE(decoded.complete);
        for (size_t i = 0; i < whole; ++i) EXPECT_EQ(decoded.records[i], records[i]);
    }
    // Bytes after the last declared record are not part of the session.
    Bytes longer = full;
    longer.insert(longer.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
    const DecodedSession decoded = DecodeSessionStream(longer);
    EXPECT_TRUE(decoded.complete);
    EXPECT_EQ(decoded.records, records);
}

TEST(SessionStream, PathEndsAtItsFirstZeroByteButTheRecordKeepsItsLength) {
    Bytes stream;
    Put32(stream, 2);
    Put32(stream, 7);
    stream.insert(stream.end(), {'/', 'a', 'b', 0, 'x', 'y', 'z'});
    Put32(stream, 1004);
    Put32(stream, 1);
    Put32(stream, 4);
    stream.insert(stream.end(), {0, 'q', 'q', 'q'});
    Put32(stream, 1005);
    Put32(stream, 0);
    const DecodedSession decoded = DecodeSessionStream(stream);
    ASSERT_EQ(decoded.records.size(), 2u);
    EXPECT_EQ(decoded.records[0].path, "/ab");
    EXPECT_EQ(decoded.records[0].status, FileStatus::Converted);
    EXPECT_TRUE(decoded.records[0].ticked);
    EXPECT_EQ(decoded.records[1].path, "");
    EXPECT_EQ(decoded.records[1].status, FileStatus::Error);
    EXPECT_TRUE(decoded.complete);
}

}  // namespace
}  // namespace tarnel::test
