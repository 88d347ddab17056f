#include "platform/storage/CompoundFile.h"

#include <grp.h>
#include <gsf/gsf.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

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

TEST_F(CompoundFileTest, SavingThroughALinkUpdatesItsTargetAndKeepsTheLink) {
    const auto target = workDir() / "real" / "s.qzconv";
    std::filesystem::create_directories(target.parent_path());
    ASSERT_EQ(CompoundFile::WriteSingleStream(target, kStream, {1}), S_OK);
    const auto link = workDir() / "link.qzconv";
    std::filesystem::create_symlink("real/s.qzconv", link);

    ASSERT_EQ(CompoundFile::WriteSingleStream(link, kStream, {4, 2}), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    std::vector<uint8_t> read;
    bool found = false;
    ASSERT_EQ(CompoundFile::ReadStream(target, kStream, read, found), S_OK);
    EXPECT_EQ(read, (std::vector<uint8_t>{4, 2}));
    // No temporary file is left beside the link or the target.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(workDir() / "real"), {}), 1);
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

    // Only regular files: a FIFO that no writer ever opens would block a plain open for good.
    const auto fifo = workDir() / "pipe.qzconv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(CompoundFile::ReadStream(fifo, kStream, read, found), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(CompoundFile::ReadStream("/dev/zero", kStream, read, found), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(CompoundFile::ReadStream(workDir(), kStream, read, found), STG_E_ACCESSDENIED);
    EXPECT_EQ(CompoundFile::WriteSingleStream(fifo, kStream, {1}), STG_E_ACCESSDENIED);
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
        if (SUCCEEDED(hr) && found && !read.empty()) {
            EXPECT_EQ(read[0], 0x41);
        }
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

// ---- permissions (as root and as nobody), special files, names ----

constexpr uid_t kNobody = 65534;  // and its group, nogroup
constexpr HRESULT kNoPrivilegeDrop = 0x7EADBEEF;

// A folder under /tmp that nobody can reach (the fixture's own folder is private).
struct SharedFolder {
    SharedFolder(mode_t mode, uid_t owner) {
        std::string pattern = "/tmp/tarnel-perm-XXXXXX";
        if (!::mkdtemp(pattern.data()) || ::chown(pattern.c_str(), owner, owner) != 0 ||
            ::chmod(pattern.c_str(), mode) != 0) {
            throw std::runtime_error("cannot prepare " + pattern);
        }
        path = pattern;
    }
    ~SharedFolder() { std::filesystem::remove_all(path); }
    size_t Entries() const {
        return size_t(std::distance(std::filesystem::directory_iterator(path), {}));
    }
    std::filesystem::path path;
};

// Saves in a forked child, as nobody when asked (the suite runs as root; a child that cannot
// drop its privileges reports kNoPrivilegeDrop), under a file size limit when one is given.
HRESULT SaveInChild(const std::filesystem::path& file, const std::vector<uint8_t>& content,
                    bool asNobody, rlim_t sizeLimit = RLIM_INFINITY) {
    int result[2];
    if (::pipe(result) != 0) return kNoPrivilegeDrop;
    const pid_t child = ::fork();
    if (child == 0) {
        HRESULT hr = kNoPrivilegeDrop;
        const rlimit limit{sizeLimit, sizeLimit};
        if ((!asNobody || (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 &&
                           ::setuid(kNobody) == 0 && ::geteuid() == kNobody)) &&
            ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            hr = CompoundFile::WriteSingleStream(file, kStream, content);
        }
        (void)!::write(result[1], &hr, sizeof hr);
        ::_exit(0);
    }
    ::close(result[1]);
    HRESULT hr = kNoPrivilegeDrop;
    if (::read(result[0], &hr, sizeof hr) != sizeof hr) hr = kNoPrivilegeDrop;
    ::close(result[0]);
    ::waitpid(child, nullptr, 0);
    return hr;
}

// The session stream's content, or nothing when the file has none.
std::optional<std::vector<uint8_t>> StreamOf(const std::filesystem::path& file) {
    std::vector<uint8_t> read;
    bool found = false;
    if (FAILED(CompoundFile::ReadStream(file, kStream, read, found)) || !found) return {};
    return read;
}

struct stat StatOf(const std::filesystem::path& file) {
    struct stat st {};
    (void)::stat(file.c_str(), &st);
    return st;
}

TEST_F(CompoundFileTest, AFileTheUserMayNotWriteIsRefusedAndKeepsItsOwner) {
    SharedFolder folder(0777, kNobody);
    const auto roots = folder.path / "root.qzconv";
    ASSERT_EQ(CompoundFile::WriteSingleStream(roots, kStream, {1}), S_OK);
    ASSERT_EQ(::chmod(roots.c_str(), 0644), 0);
    const auto before = ReadFileBytes(roots);
    const HRESULT asNobody = SaveInChild(roots, {2, 2}, true);
    ASSERT_NE(asNobody, kNoPrivilegeDrop) << "these cases must run as root, to become nobody";
    EXPECT_EQ(asNobody, STG_E_ACCESSDENIED);
    EXPECT_EQ(ReadFileBytes(roots), before);
    EXPECT_EQ(StatOf(roots).st_uid, 0u);
    SharedFolder closed(0755, 0);  // nor may nobody create a file where the folder refuses it
    EXPECT_EQ(SaveInChild(closed.path / "new.qzconv", {1}, true), STG_E_ACCESSDENIED);
    EXPECT_EQ(closed.Entries(), 0u);

    // Root may write nobody's file: the new file keeps owner, group and mode.
    const auto nobodys = folder.path / "nobody.qzconv";
    ASSERT_EQ(SaveInChild(nobodys, {3}, true), S_OK);
    ASSERT_EQ(::chmod(nobodys.c_str(), 0640), 0);
    EXPECT_EQ(SaveInChild(nobodys, {4, 4, 4}, false), S_OK);
    EXPECT_EQ(StreamOf(nobodys), (std::vector<uint8_t>{4, 4, 4}));
    const struct stat st = StatOf(nobodys);
    EXPECT_EQ(std::vector({st.st_uid, st.st_gid, st.st_mode & 07777}),
              std::vector({kNobody, kNobody, 0640u}));
    EXPECT_EQ(folder.Entries(), 2u);
}

TEST_F(CompoundFileTest, AWritableFileInAClosedFolderIsOverwrittenInPlaceOrKept) {
    // Root's file that nobody may write, in a folder where nobody may not create the temporary
    // file (0755), or may create it but not rename it over another user's file (sticky).
    for (mode_t folderMode : {0755, 01777}) {
        SharedFolder folder(folderMode, 0);
        const auto file = folder.path / "s.qzconv";
        ASSERT_EQ(CompoundFile::WriteSingleStream(file, kStream, {5}), S_OK);
        ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
        const auto inode = StatOf(file).st_ino;
        const auto before = ReadFileBytes(file);

        // A write that fails part-way (at the size limit) leaves the old file as it was,
        // whether it is overwritten in place (nobody) or replaced through a temporary (root).
        const std::vector<uint8_t> large(200000, 0x5A);
        for (bool asNobody : {true, false}) {
            const HRESULT hr = SaveInChild(file, large, asNobody, 65536);
            EXPECT_TRUE(FAILED(hr) && hr != kNoPrivilegeDrop) << asNobody;
            EXPECT_EQ(ReadFileBytes(file), before);
            EXPECT_EQ(folder.Entries(), 1u);
        }
        for (const auto& content : {large, std::vector<uint8_t>{6, 6}}) {  // grows, shrinks
            ASSERT_EQ(SaveInChild(file, content, true), S_OK) << folderMode;
            EXPECT_EQ(StreamOf(file), content);
            const struct stat st = StatOf(file);
            EXPECT_EQ(std::vector<uint64_t>({st.st_ino, st.st_uid, st.st_mode & 07777}),
                      std::vector<uint64_t>({inode, 0, 0666}));
            EXPECT_EQ(folder.Entries(), 1u);
        }
        EXPECT_LT(std::filesystem::file_size(file), 200000u);  // cut to the new length
    }
}

TEST_F(CompoundFileTest, StreamNamesMatchInAnyLetterCase) {
    const auto file = workDir() / "s.qzconv";
    // U+0131 (dotless i) upper-cases to I, as compound files compare names.
    for (auto [name, matches] : {std::pair{"tARNEL AUDIO converter", true},
                                 {"TARNEL AUD\u0131O CONVERTER", true},
                                 {"Tarnel Audio Converter ", false},
                                 {"Tarnel Audio Convertor", false}}) {
        ASSERT_EQ(CompoundFile::WriteSingleStream(file, name, {7}), S_OK);
        EXPECT_EQ(StreamOf(file).has_value(), matches) << name;
    }
}

}  // namespace
}  // namespace tarnel
