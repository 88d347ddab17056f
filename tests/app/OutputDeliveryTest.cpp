#include "app/OutputDelivery.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

class OutputDeliveryTest : public test::IsolatedTest {
protected:
    std::string Work(const std::string& name) const { return (workDir() / name).string(); }

    // Files left in the work folder apart from the given ones.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(workDir())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::vector<uint8_t> RiffMp3(uint16_t formatTag, const std::vector<uint8_t>& payload,
                                        bool withData = true) {
        std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                                    'V', 'E', 'f', 'm', 't', ' ', 30, 0, 0,   0};
        std::vector<uint8_t> fmt(30, 0);
        fmt[0] = uint8_t(formatTag);
        fmt[1] = uint8_t(formatTag >> 8);
        out.insert(out.end(), fmt.begin(), fmt.end());
        if (withData) {
            out.insert(out.end(), {'d', 'a', 't', 'a', uint8_t(payload.size()), 0, 0, 0});
        } else {
            out.insert(out.end(), {'f', 'a', 'c', 't', 4, 0, 0, 0});
        }
        out.insert(out.end(), payload.begin(), payload.end());
        return out;
    }
};

TEST_F(OutputDeliveryTest, CopyReplacesAnExistingOutputAndLeavesNoPartialFile) {
    WriteFileBytes(Work("temp"), {1, 2, 3, 4, 5});
    WriteFileBytes(Work("out.wav"), std::vector<uint8_t>(1000, 9));
    EXPECT_FALSE(DeliverCopy(Work("temp"), Work("out.wav")));
    EXPECT_EQ(ReadFileBytes(Work("out.wav")), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    // On one file system the temporary file was renamed into place.
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"out.wav"}));
}

TEST_F(OutputDeliveryTest, CopyAcrossFileSystems) {
    // /dev/shm is a memory file system on Linux, so the rename fails and the bytes are copied.
    struct stat shm {
    }, work{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(workDir().c_str(), &work) != 0 ||
        shm.st_dev == work.st_dev) {
        GTEST_SKIP() << "no second file system to copy from";
    }
    char pattern[] = "/dev/shm/tarnel-delivery-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string temp = std::string(pattern) + "/temp";
    std::vector<uint8_t> bytes(100000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 13);
    WriteFileBytes(temp, bytes);
    WriteFileBytes(Work("out.wav"), {9});
    EXPECT_FALSE(DeliverCopy(temp, Work("out.wav")));
    EXPECT_EQ(ReadFileBytes(Work("out.wav")), bytes);
    EXPECT_TRUE(fs::exists(temp));  // copied, not moved
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"out.wav"}));
    fs::remove_all(pattern);
}

TEST_F(OutputDeliveryTest, CopyOfALargeFileIsExact) {
    std::vector<uint8_t> bytes(16000 * 3 + 17);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + i / 251);
    WriteFileBytes(Work("temp"), bytes);
    EXPECT_FALSE(DeliverCopy(Work("temp"), Work("out")));
    EXPECT_EQ(ReadFileBytes(Work("out")), bytes);
}

TEST_F(OutputDeliveryTest, FailuresAreReportedAndKeepTheOldOutput) {
    // No temporary file.
    WriteFileBytes(Work("out.wav"), {7, 7});
    auto error = DeliverCopy(Work("missing"), Work("out.wav"));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("missing"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Work("out.wav")), (std::vector<uint8_t>{7, 7}));

    // The destination folder does not exist.
    WriteFileBytes(Work("temp"), {1});
    error = DeliverCopy(Work("temp"), Work("nowhere/out.wav"));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("nowhere"), std::string::npos);

    // The final name is a folder: the rename fails and nothing is left behind.
    fs::create_directory(Work("taken.wav"));
    error = DeliverCopy(Work("temp"), Work("taken.wav"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(fs::is_directory(Work("taken.wav")));
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"out.wav", "taken.wav", "temp"}));
}

TEST_F(OutputDeliveryTest, Mp3StreamStartsWithTheDataPayload) {
    const std::vector<uint8_t> payload = {0xFF, 0xFB, 0x90, 0x64, 1, 2, 3};
    WriteFileBytes(Work("temp"), RiffMp3(85, payload));
    EXPECT_FALSE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));
    EXPECT_EQ(ReadFileBytes(Work("out.mp3")), payload);

    // Tag 80 (MPEG) is accepted as well.
    WriteFileBytes(Work("temp"), RiffMp3(80, payload));
    EXPECT_FALSE(DeliverMp3Stream(Work("temp"), Work("out2.mp3")));
    EXPECT_EQ(ReadFileBytes(Work("out2.mp3")), payload);
}

TEST_F(OutputDeliveryTest, Mp3ContainerFailuresWriteNothing) {
    const std::vector<uint8_t> payload = {0xFF, 0xFB, 0x90, 0x64};
    WriteFileBytes(Work("out.mp3"), {5, 5, 5});

    WriteFileBytes(Work("temp"), RiffMp3(1, payload));  // PCM, not MPEG
    EXPECT_TRUE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));
    WriteFileBytes(Work("temp"), RiffMp3(85, payload, false));  // no data chunk
    EXPECT_TRUE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));
    WriteFileBytes(Work("temp"), {'R', 'I', 'F', 'F', 0, 0});  // truncated
    EXPECT_TRUE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));
    WriteFileBytes(Work("temp"), {});
    EXPECT_TRUE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));
    auto bytes = RiffMp3(85, payload);
    bytes[8] = 'X';  // not WAVE
    WriteFileBytes(Work("temp"), bytes);
    EXPECT_TRUE(DeliverMp3Stream(Work("temp"), Work("out.mp3")));

    // The earlier output is untouched and no partial file remains.
    EXPECT_EQ(ReadFileBytes(Work("out.mp3")), (std::vector<uint8_t>{5, 5, 5}));
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"out.mp3", "temp"}));
}

TEST_F(OutputDeliveryTest, Mp3DataTagAcrossTheSearchBlocks) {
    // A long chunk in front puts the "data" tag across the boundary of the search buffer.
    for (size_t pad : {15950u, 15985u, 15990u, 15994u, 16000u}) {
        std::vector<uint8_t> bytes = RiffMp3(85, {}, false);
        ASSERT_GT(bytes.size(), 8u);
        bytes.erase(bytes.end() - 8, bytes.end());
        bytes.resize(8 + pad, 0);  // zero filler after the format block, no "data"
        bytes.insert(bytes.end(), {'d', 'a', 't', 'a', 2, 0, 0, 0, 0xAB, 0xCD});
        WriteFileBytes(Work("temp"), bytes);
        ASSERT_FALSE(DeliverMp3Stream(Work("temp"), Work("out.mp3"))) << pad;
        EXPECT_EQ(ReadFileBytes(Work("out.mp3")), (std::vector<uint8_t>{0xAB, 0xCD})) << pad;
    }
}

}  // namespace
}  // namespace tarnel
