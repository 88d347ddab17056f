#include "platform/storage/CompoundFile.h"

#include <gsf/gsf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::string kStream = "Tarnel Audio Converter";

class CompoundFileTest : public test::IsolatedTest {};

// Reads the root of a compound file with libgsf's plain API, apart from our reader.
std::vector<std::pair<std::string, std::vector<uint8_t>>> ReadRootIndependently(
    const std::filesystem::path& file) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> result;
    GsfInput* input = gsf_input_stdio_new(file.c_str(), nullptr);
    if (!input) return result;
    GsfInfile* root = gsf_infile_msole_new(input, nullptr);
    if (root) {
        for (int i = 0; i < gsf_infile_num_children(root); ++i) {
            GsfInput* child = gsf_infile_child_by_index(root, i);
            std::vector<uint8_t> bytes(size_t(gsf_input_size(child)));
            if (!bytes.empty()) gsf_input_read(child, bytes.size(), bytes.data());
            result.emplace_back(gsf_infile_name_by_index(root, i), bytes);
            g_object_unref(child);
        }
        g_object_unref(root);
    }
    g_object_unref(input);
    return result;
}

TEST_F(CompoundFileTest, WritesOneStreamThatAnotherReaderFinds) {
    auto file = workDir() / "s.qzconv";
    std::vector<uint8_t> content = {3, 0, 0, 0, 'a', 0, 0xFF, 1};
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, content), S_OK);

    auto bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 512u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<uint8_t>{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));
    auto root = ReadRootIndependently(file);
    ASSERT_EQ(root.size(), 1u);
    EXPECT_EQ(root[0].first, kStream);
    EXPECT_EQ(root[0].second, content);

    std::vector<uint8_t> read;
    bool found = false;
    ASSERT_EQ(CompoundFile::ReadStream(file, kStream, read, found), S_OK);
    EXPECT_TRUE(found);
    EXPECT_EQ(read, content);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(workDir()), {}), 1);
}

TEST_F(CompoundFileTest, EmptyAndLargeStreamsRoundTrip) {
    for (size_t size : {size_t(0), size_t(4), size_t(4095), size_t(4096), size_t(300000)}) {
        auto file = workDir() / ("f" + std::to_string(size));
        std::vector<uint8_t> content(size);
        for (size_t i = 0; i < size; ++i) content[i] = uint8_t(i * 7);
        ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, content), S_OK);
        std::vector<uint8_t> read;
        bool found = false;
        ASSERT_EQ(CompoundFile::ReadStream(file, kStream, read, found), S_OK);
        EXPECT_TRUE(found);
        EXPECT_EQ(read, content) << size;
    }
}

TEST_F(CompoundFileTest, ReplacesAnExistingFile) {
    auto file = workDir() / "s.qzconv";
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, {1, 2, 3}), S_OK);
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, {9}), S_OK);
    std::vector<uint8_t> read;
    bool found = false;
    ASSERT_EQ(CompoundFile::ReadStream(file, kStream, read, found), S_OK);
    EXPECT_EQ(read, std::vector<uint8_t>{9});
}

TEST_F(CompoundFileTest, OpenFailuresMapToStorageCodes) {
    std::vector<uint8_t> read;
    bool found = true;
    EXPECT_EQ(CompoundFile::ReadStream(workDir() / "missing.qzconv", kStream, read, found),
              STG_E_FILENOTFOUND);
    EXPECT_FALSE(found);
    EXPECT_EQ(CompoundFile::ReadStream(workDir() / "nodir" / "x.qzconv", kStream, read, found),
              STG_E_PATHNOTFOUND);
    WriteFileBytes(workDir() / "plain", {'x'});
    EXPECT_EQ(CompoundFile::ReadStream(workDir() / "plain" / "x", kStream, read, found),
              STG_E_PATHNOTFOUND);

    WriteFileBytes(workDir() / "text.qzconv", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(CompoundFile::ReadStream(workDir() / "text.qzconv", kStream, read, found),
              STG_E_FILEALREADYEXISTS);
    // The signature alone, or a damaged header, is no compound file either.
    WriteFileBytes(workDir() / "sig.qzconv", {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1});
    EXPECT_EQ(CompoundFile::ReadStream(workDir() / "sig.qzconv", kStream, read, found),
              STG_E_FILEALREADYEXISTS);
}

TEST_F(CompoundFileTest, DamagedFilesNeverCrashTheReader) {
    auto file = workDir() / "s.qzconv";
    std::vector<uint8_t> content(5000, 0x41);
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, content), S_OK);
    auto good = ReadFileBytes(file);
    for (size_t cut : {size_t(512), size_t(600), good.size() / 2, good.size() - 1}) {
        auto bad = workDir() / ("cut" + std::to_string(cut));
        WriteFileBytes(bad, std::vector<uint8_t>(good.begin(), good.begin() + cut));
        std::vector<uint8_t> read;
        bool found = false;
        HRESULT hr = CompoundFile::ReadStream(bad, kStream, read, found);
        EXPECT_LE(read.size(), content.size());
        if (SUCCEEDED(hr) && found && !read.empty()) EXPECT_EQ(read[0], 0x41);
    }
}

TEST_F(CompoundFileTest, MissingStreamIsFoundFalse) {
    auto file = workDir() / "other.qzconv";
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, "Something Else", {1}), S_OK);
    std::vector<uint8_t> read;
    bool found = true;
    EXPECT_EQ(CompoundFile::ReadStream(file, kStream, read, found), S_OK);
    EXPECT_FALSE(found);
    EXPECT_TRUE(read.empty());
}

TEST_F(CompoundFileTest, WriteProtectedTargetIsRefusedAndKept) {
    auto file = workDir() / "s.qzconv";
    ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, {1, 2}), S_OK);
    auto before = ReadFileBytes(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(CompoundFile::WriteSingleStream(file, kStream, {7, 7, 7}), STG_E_ACCESSDENIED);
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(CompoundFile::WriteSingleStream(workDir() / "nodir" / "x.qzconv", kStream, {1}),
              STG_E_PATHNOTFOUND);
}

}  // namespace
}  // namespace tarnel
