#include "platform/media/files/CFileWriter.h"

#include <gtest/gtest.h>

#include "tests/platform/media/MediaGraphFixture.h"
#include "tests/support/filters/StreamSource.h"

namespace tarnel::media {
namespace {

using graphtest::MediaGraphTest;
using test::harness::StreamSource;
using test::harness::StreamSourcePin;

class FileWriterTest : public MediaGraphTest {
protected:
    // A block source of the given type into a File Writer writing `file`.
    CFileWriter* Build(std::vector<StreamSourcePin::Block> blocks, const CMediaType& type,
                       const std::filesystem::path& file) {
        auto source = std::make_shared<StreamSource>();
        source->pin->blocks = std::move(blocks);
        source->pin->types = {type};
        IBaseFilter* raw = source.get();
        EXPECT_EQ(graph_->AddFilter(source, "Blocks"), S_OK);
        IBaseFilter* writer = Add(CLSID_FileWriter, "File Writer");
        auto* sink = Query<IFileSinkFilter>(writer);
        EXPECT_NE(sink, nullptr);
        EXPECT_EQ(sink->SetFileName(file, nullptr), S_OK);
        EXPECT_EQ(Connect(raw, writer), S_OK);
        return dynamic_cast<CFileWriter*>(writer);
    }
    static std::vector<uint8_t> Fill(size_t n, uint8_t value) {
        return std::vector<uint8_t>(n, value);
    }
};

const CMediaType kStream(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);

TEST_F(FileWriterTest, StreamSamplesLandAtTheirStartTimesAndTheFileIsTruncated) {
    // An older, longer file of the same name must not leave its tail behind.
    test::WriteFileBytes(Path("out.bin"), Fill(10000, 0x77));
    Build({{Fill(100, 0xAA), 46}, {Fill(50, 0xBB), 146}, {Fill(46, 0xCC), 0}}, kStream,
          Path("out.bin"));
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    auto bytes = test::ReadFileBytes(Path("out.bin"));
    ASSERT_EQ(bytes.size(), 196u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 46), Fill(46, 0xCC));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 46, bytes.begin() + 146), Fill(100, 0xAA));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 146, bytes.end()), Fill(50, 0xBB));
}

TEST_F(FileWriterTest, UntimedSamplesAndOtherTypesAreAppended) {
    CMediaType audio(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
    // Times on an audio stream are not byte offsets: written in arrival order.
    Build({{Fill(10, 1), 5000}, {Fill(20, 2), 0}, {Fill(5, 3), std::nullopt}}, audio,
          Path("a.bin"));
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);
    auto bytes = test::ReadFileBytes(Path("a.bin"));
    std::vector<uint8_t> expected = Fill(10, 1);
    for (uint8_t b : Fill(20, 2)) expected.push_back(b);
    for (uint8_t b : Fill(5, 3)) expected.push_back(b);
    EXPECT_EQ(bytes, expected);
}

TEST_F(FileWriterTest, HeaderRewriteThroughTheStreamAfterStop) {
    CFileWriter* writer = Build({{Fill(8, 0xDD), 4}}, kStream, Path("h.bin"));
    ASSERT_EQ(RunToEnd(), EC_COMPLETE);  // stopped now, like the WAV writer's stop
    auto* stream = Query<IStream>(writer->GetPin(0));
    ASSERT_NE(stream, nullptr);
    uint64_t position = 99;
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position, 0u);
    const uint8_t header[4] = {'R', 'I', 'F', 'F'};
    uint32_t written = 0;
    ASSERT_EQ(stream->Write(header, 4, &written), S_OK);
    EXPECT_EQ(written, 4u);
    ASSERT_EQ(stream->Seek(-2, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 10u);
    ASSERT_EQ(stream->Write(header, 1, &written), S_OK);
    ASSERT_EQ(stream->Seek(1, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 12u);
    EXPECT_EQ(stream->Seek(-20, STREAM_SEEK_CUR, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(0, 7, &position), STG_E_INVALIDFUNCTION);
    uint32_t read = 0;
    uint8_t buffer[4];
    EXPECT_EQ(stream->Read(buffer, 4, &read), E_NOTIMPL);
    auto bytes = test::ReadFileBytes(Path("h.bin"));
    std::vector<uint8_t> expected = {'R',  'I',  'F',  'F',  0xDD, 0xDD,
                                     0xDD, 0xDD, 0xDD, 0xDD, 'R',  0xDD};
    EXPECT_EQ(bytes, expected);
}

TEST_F(FileWriterTest, FileNameRulesAndOpenFailures) {
    CFileWriter writer;
    EXPECT_EQ(writer.SetFileName("", nullptr), E_INVALIDARG);
    std::filesystem::path name;
    EXPECT_EQ(writer.GetCurFile(&name, nullptr), E_FAIL);
    EXPECT_EQ(writer.GetCurFile(nullptr, nullptr), E_POINTER);
    // Without a name it cannot start.
    EXPECT_EQ(writer.Pause(), E_UNEXPECTED);
    EXPECT_EQ(writer.SetFileName(Path("x.bin"), nullptr), S_OK);
    EXPECT_EQ(writer.GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(name, Path("x.bin"));

    // A folder that does not exist fails the run with the path error; so does a name that is
    // a folder.
    Build({{Fill(4, 1), 0}}, kStream, Path("no/such/dir/out.bin"));
    EXPECT_EQ(graph_->Run(), HRESULT_FROM_WIN32_PATH_NOT_FOUND);
    EXPECT_EQ(graph_->Stop(), S_OK);
    auto* sink = Query<IFileSinkFilter>(graph_->FindFilter("File Writer"));
    ASSERT_EQ(sink->SetFileName(workDir(), nullptr), S_OK);
    EXPECT_EQ(graph_->Run(), HRESULT_FROM_WIN32_ACCESS_DENIED);
    EXPECT_EQ(graph_->Stop(), S_OK);
}

TEST_F(FileWriterTest, WriteFailureAbortsTheStream) {
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    Build({{Fill(4096, 1), 0}, {Fill(4096, 2), 4096}}, kStream, "/dev/full");
    intptr_t result = 0;
    ASSERT_EQ(RunToEnd(&result), EC_ERRORABORT);
    EXPECT_TRUE(FAILED(HRESULT(result)));
}

TEST_F(FileWriterTest, NonsenseOffsetsAreRefused) {
    Build({{Fill(4, 1), -5}}, kStream, Path("neg.bin"));
    intptr_t result = 0;
    ASSERT_EQ(RunToEnd(&result), EC_ERRORABORT);
    EXPECT_EQ(HRESULT(result), E_INVALIDARG);
}

}  // namespace
}  // namespace tarnel::media
