#include "platform/media/files/CFileSource.h"

#include <gtest/gtest.h>

#include "tests/platform/media/MediaGraphFixture.h"

namespace tarnel::media {
namespace {

using graphtest::MediaGraphTest;

class FileSourceTest : public MediaGraphTest {};

std::vector<uint8_t> MpegFrames(int count) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(417, 0x55);
        frame[0] = 0xFF;
        frame[1] = 0xFB;
        frame[2] = 0x90;
        frame[3] = 0x00;
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

TEST_F(FileSourceTest, OffersTheSubtypeItsContentShows) {
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        GUID subtype;
    };
    const std::vector<Case> cases = {
        {"a.bin", test::EncodeWav(test::MakeSine(8000, 1, 0.1, 440, 0.5)), MEDIASUBTYPE_WAVE},
        {"b.dat", MpegFrames(5), MEDIASUBTYPE_MPEG1Audio},
        {"c", {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, MEDIASUBTYPE_OggStream},
        // Unrecognised content falls back to the extension, else no subtype.
        {"d.mp3", std::vector<uint8_t>(100, 0x42), MEDIASUBTYPE_MPEG1Audio},
        {"e.xyz", std::vector<uint8_t>(100, 0x42), MEDIASUBTYPE_NULL},
        {"f.wav", {}, MEDIASUBTYPE_WAVE},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(Path(c.name), c.bytes);
        CFileSource source;
        ASSERT_EQ(source.Load(Path(c.name), nullptr), S_OK) << c.name;
        std::vector<CMediaType> types;
        ASSERT_EQ(source.GetPin(0)->EnumMediaTypes(&types), S_OK);
        ASSERT_EQ(types.size(), 1u);
        EXPECT_EQ(types[0].majortype, MEDIATYPE_Stream) << c.name;
        EXPECT_EQ(types[0].subtype, c.subtype) << c.name;
        std::filesystem::path loaded;
        EXPECT_EQ(source.GetCurFile(&loaded, nullptr), S_OK);
        EXPECT_EQ(loaded, Path(c.name));
    }
}

TEST_F(FileSourceTest, LoadFailuresCarryTheFileError) {
    CFileSource source;
    EXPECT_EQ(source.Load(Path("missing.wav"), nullptr), HRESULT_FROM_WIN32_FILE_NOT_FOUND);
    EXPECT_EQ(source.Load(workDir(), nullptr), HRESULT_FROM_WIN32_ACCESS_DENIED);
    EXPECT_EQ(source.Load("", nullptr), E_INVALIDARG);
    std::vector<CMediaType> types;
    EXPECT_EQ(source.GetPin(0)->EnumMediaTypes(&types), S_OK);
    EXPECT_TRUE(types.empty());
    std::filesystem::path loaded;
    EXPECT_EQ(source.GetCurFile(&loaded, nullptr), E_FAIL);
}

TEST_F(FileSourceTest, ReadsAreBoundedByTheFile) {
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 3);
    test::WriteFileBytes(Path("r.bin"), bytes);
    CFileSource source;
    ASSERT_EQ(source.Load(Path("r.bin"), nullptr), S_OK);
    auto* reader = Query<IAsyncReader>(source.GetPin(0));
    ASSERT_NE(reader, nullptr);
    int64_t total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(available, 1000);

    std::vector<uint8_t> buffer(100, 0xEE);
    ASSERT_EQ(reader->SyncRead(500, 100, buffer.data()), S_OK);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes.begin() + 500));
    EXPECT_EQ(reader->SyncRead(950, 100, buffer.data()), S_FALSE);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 50, bytes.begin() + 950));
    EXPECT_EQ(reader->SyncRead(5000, 10, buffer.data()), S_FALSE);
    EXPECT_EQ(reader->SyncRead(-1, 10, buffer.data()), E_INVALIDARG);
    EXPECT_EQ(reader->SyncRead(0, -5, buffer.data()), E_INVALIDARG);
    EXPECT_EQ(reader->SyncRead(0, 0, nullptr), S_OK);

    // A file that shrinks after loading is read as far as it goes.
    bytes.resize(600);
    test::WriteFileBytes(Path("r.bin"), bytes);
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 600);
    EXPECT_EQ(reader->SyncRead(550, 100, buffer.data()), S_FALSE);

    EXPECT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(reader->SyncRead(0, 10, buffer.data()), VFW_E_WRONG_STATE);
    EXPECT_EQ(reader->EndFlush(), S_OK);
    EXPECT_EQ(reader->SyncRead(0, 10, buffer.data()), S_OK);
}

TEST_F(FileSourceTest, GraphPicksItByContentAndNeverWritesTheFile) {
    auto wav = test::EncodeWav(test::MakeSine(8000, 1, 0.5, 440, 0.5));
    test::WriteFileBytes(Path("song.mp3"), wav);  // misleading extension
    const auto before = std::filesystem::last_write_time(Path("song.mp3"));
    IBaseFilter* source = AddSource(Path("song.mp3"));
    ASSERT_NE(source, nullptr);
    GUID clsid;
    ASSERT_EQ(source->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_AsyncReader);
    CMediaType type;
    auto* loader = Query<IFileSourceFilter>(source);
    std::filesystem::path path;
    ASSERT_EQ(loader->GetCurFile(&path, &type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_WAVE);

    IBaseFilter* sink = Add(CLSID_NullRenderer, "Null Renderer");
    ASSERT_EQ(Connect(source, sink), S_OK);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(test::ReadFileBytes(Path("song.mp3")), wav);
    EXPECT_EQ(std::filesystem::last_write_time(Path("song.mp3")), before);
}

}  // namespace
}  // namespace tarnel::media
