#include "platform/storage/CompoundFile.h"

#include <fcntl.h>
#include <gsf/gsf.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string_view>

#include "framework/RegularFile.h"

namespace tarnel {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const {
        if (error) g_error_free(error);
    }
};

void InitOnce() {
    static const bool done = [] {
        gsf_init();
        return true;
    }();
    (void)done;
}

// A missing folder is a bad path; a missing file in an existing folder is a missing file.
HRESULT MissingPathError(const std::filesystem::path& file, int error) {
    if (error != ENOENT) return StorageErrorFromErrno(error);
    std::error_code ec;
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    return std::filesystem::is_directory(folder, ec) ? STG_E_FILENOTFOUND : STG_E_PATHNOTFOUND;
}

struct FileClose {
    void operator()(FILE* file) const {
        if (file) (void)std::fclose(file);  // opened for reading only
    }
};

// An opened compound file; members go in reverse order, the root before the file under it.
struct OpenedRoot {
    std::unique_ptr<FILE, FileClose> file;
    GPtr<GsfInput> input;
    GPtr<GsfInfile> root;
};

// Opens the root storage of a compound file for reading. The path is opened once, without
// blocking, and everything after that reads through the same descriptor, so a FIFO or device
// swapped in under the name can never make the open wait.
HRESULT OpenRoot(const std::filesystem::path& file, OpenedRoot& opened) {
    InitOnce();
    const int fd = OpenRegularFileForReading(file);
    if (fd < 0) {
        if (-fd == EISDIR) return STG_E_ACCESSDENIED;
        // A FIFO, socket or device: whatever it holds, it is no compound file.
        if (-fd == EINVAL) return STG_E_FILEALREADYEXISTS;
        return MissingPathError(file, -fd);
    }
    opened.file.reset(::fdopen(fd, "rb"));
    if (!opened.file) {
        const int error = errno;
        (void)::close(fd);  // read only: nothing to lose
        return StorageErrorFromErrno(error);
    }
    uint8_t head[8] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    // A file that exists but is not a compound file.
    if (n != 8 || std::memcmp(head, kSignature, 8) != 0) return STG_E_FILEALREADYEXISTS;
    opened.input.reset(gsf_input_stdio_new_FILE(file.c_str(), opened.file.get(), TRUE));
    if (!opened.input) return STG_E_ACCESSDENIED;
    GError* error = nullptr;
    opened.root.reset(gsf_infile_msole_new(opened.input.get(), &error));
    std::unique_ptr<GError, ErrorFree> rootError(error);
    // The signature matched but the structure is damaged: not a valid compound file either.
    if (!opened.root) return STG_E_FILEALREADYEXISTS;
    return S_OK;
}

// The code point starting at `at`, and its length in bytes; a byte that does not start a
// well-formed UTF-8 sequence stands for itself.
std::pair<char32_t, size_t> NextCodePoint(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    const size_t length = lead < 0x80         ? 1
                          : (lead >> 5) == 6  ? 2
                          : (lead >> 4) == 14 ? 3
                          : (lead >> 3) == 30 ? 4
                                              : 0;
    if (length <= 1 || length > text.size() - at) return {lead, 1};
    char32_t c = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return {lead, 1};
        c = (c << 6) | (byte(i) & 0x3F);
    }
    return {c, length};
}

// Compound files compare names after mapping each UTF-16 character to upper case (simple case
// mapping; characters outside the basic plane are compared as they are).
std::u32string UpperCaseName(std::string_view utf8) {
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    std::u32string out;
    for (size_t at = 0; at < utf8.size();) {
        auto [c, used] = NextCodePoint(utf8, at);
        if (unicode && c <= 0xFFFF) {
            c = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), unicode));
        } else if (c >= 'a' && c <= 'z') {
            c -= 'a' - 'A';
        }
        out.push_back(c);
        at += used;
    }
    return out;
}

// The root's child of that name: the exact spelling first, then any spelling of it.
GPtr<GsfInput> ChildByName(GsfInfile* root, const std::string& name) {
    if (GsfInput* exact = gsf_infile_child_by_name(root, name.c_str()))
        return GPtr<GsfInput>(exact);
    const std::u32string wanted = UpperCaseName(name);
    const int count = gsf_infile_num_children(root);
    for (int i = 0; i < count; ++i) {
        const char* candidate = gsf_infile_name_by_index(root, i);
        if (candidate && UpperCaseName(candidate) == wanted) {
            return GPtr<GsfInput>(gsf_infile_child_by_index(root, i));
        }
    }
    return nullptr;
}

// The whole compound file, built in memory so that nothing on disk is touched before the new
// content is complete.
HRESULT BuildImage(const std::string& streamName, const std::vector<uint8_t>& bytes,
                   std::vector<uint8_t>& image) {
    GPtr<GsfOutput> memory(gsf_output_memory_new());
    if (!memory) return STG_E_INSUFFICIENTMEMORY;
    GPtr<GsfOutfile> root(gsf_outfile_msole_new(memory.get()));
    if (!root) return STG_E_INSUFFICIENTMEMORY;
    GPtr<GsfOutput> stream(gsf_outfile_new_child(root.get(), streamName.c_str(), FALSE));
    if (!stream) return STG_E_WRITEFAULT;
    bool written = gsf_output_write(stream.get(), bytes.size(), bytes.data());
    bool closed = gsf_output_close(stream.get());
    stream.reset();
    closed = gsf_output_close(GSF_OUTPUT(root.get())) && closed;
    root.reset();
    if (!written || !closed) return STG_E_WRITEFAULT;
    const gsf_off_t size = gsf_output_size(memory.get());
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.get()));
    if (size <= 0 || !data) return STG_E_WRITEFAULT;
    image.assign(data, data + size);
    return S_OK;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) (void)::close(fd_);  // a failed close after fsync has nothing left to say
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// 0, or the errno value of the write that failed.
int WriteAllAt(int fd, const uint8_t* data, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += size_t(n);
    }
    return 0;
}

// Writes `content` as the whole of the file behind `fd`, made durable; 0 or an errno value.
int PutContent(int fd, const std::vector<uint8_t>& content) {
    if (int error = WriteAllAt(fd, content.data(), content.size(), 0)) return error;
    if (::ftruncate(fd, off_t(content.size())) != 0) return errno;
    return ::fsync(fd) == 0 ? 0 : errno;
}

bool IsRefusal(int error) {
    return error == EACCES || error == EPERM;
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& file) {
    std::random_device random;
    return file.parent_path() /
           ("." + file.filename().string() + ".tmp-" + std::to_string(random()));
}

void SyncFolder(const std::filesystem::path& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) (void)::fsync(fd.get());  // the rename is done; this only hastens it
}

// Writes `image` beside `file` and renames it over. `refused` tells that the folder (not the
// disk or the content) stood in the way: the temporary file could not be created, or the
// rename was not permitted.
HRESULT ReplaceThroughTemporary(const std::filesystem::path& file,
                                const std::vector<uint8_t>& image, const struct stat* old,
                                bool& refused) {
    refused = false;
    const std::filesystem::path temporary = TemporaryBeside(file);
    Descriptor fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : 0666));
    if (fd.get() < 0) {
        refused = IsRefusal(errno);
        return StorageErrorFromErrno(errno);
    }
    struct RemoveOnFailure {
        const std::filesystem::path& path;
        bool keep = false;
        ~RemoveOnFailure() {
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{temporary};

    if (old) {
        // Owner and group where the system permits, else the group alone; then the mode, which
        // a change of owner may have cleared of its set-id bits.
        if (::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
            (void)::fchown(fd.get(), uid_t(-1), old->st_gid);
        }
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0) return StorageErrorFromErrno(errno);
    }
    if (int error = PutContent(fd.get(), image)) return StorageErrorFromErrno(error);
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        refused = IsRefusal(errno);
        return StorageErrorFromErrno(errno);
    }
    cleanup.keep = true;
    SyncFolder(file.has_parent_path() ? file.parent_path() : ".");
    return S_OK;
}

// A session file is small; an old file beyond this is not held in memory for an in-place save.
constexpr off_t kMaxInPlaceBackup = 64 << 20;

// Overwrites the existing `file` with `image` where no file can be created beside it. The old
// content is read first; if any write fails before the new content is complete and durable,
// the old content is written back, so what the user finds is the old file or the new one.
// (A power cut or a kill in the middle of the write can still leave a mixed file: only a
// second file in the folder could prevent that, and the folder refuses one.)
HRESULT OverwriteInPlace(const std::filesystem::path& file, const std::vector<uint8_t>& image) {
    Descriptor fd(::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return StorageErrorFromErrno(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return StorageErrorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return STG_E_ACCESSDENIED;
    if (st.st_size > kMaxInPlaceBackup) return STG_E_INSUFFICIENTMEMORY;
    std::vector<uint8_t> previous(static_cast<size_t>(st.st_size));
    size_t have = 0;
    while (have < previous.size()) {
        const ssize_t n =
            ::pread(fd.get(), previous.data() + have, previous.size() - have, off_t(have));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return StorageErrorFromErrno(errno);
        if (n == 0) break;
        have += size_t(n);
    }
    previous.resize(have);
    // Reserve the room of a larger file before the first byte changes, so a full disk fails
    // the save while the old file is still whole.
    if (image.size() > previous.size() &&
        ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(image.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return StorageErrorFromErrno(errno);
    }
    const int error = PutContent(fd.get(), image);
    if (error == 0) return S_OK;
    (void)PutContent(fd.get(), previous);  // the failure below is reported either way
    return StorageErrorFromErrno(error);
}

// A save through a symbolic link updates the file the link names and keeps the link; a
// dangling link is replaced as any other name would be.
std::filesystem::path LinkTarget(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) return file;
    std::filesystem::path target = std::filesystem::canonical(file, error);
    return error ? file : target;
}

}  // namespace

HRESULT StorageErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return STG_E_FILENOTFOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
            return STG_E_PATHNOTFOUND;
        case EMFILE:
        case ENFILE:
            return STG_E_TOOMANYOPENFILES;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return STG_E_ACCESSDENIED;
        case ENOMEM:
            return STG_E_INSUFFICIENTMEMORY;
        case ETXTBSY:
        case EBUSY:
            return STG_E_SHAREVIOLATION;
        case ENOSPC:
        case EDQUOT:
            return STG_E_MEDIUMFULL;
        default:
            return STG_E_WRITEFAULT;
    }
}

HRESULT CompoundFile::WriteSingleStream(const std::filesystem::path& name,
                                        const std::string& streamName,
                                        const std::vector<uint8_t>& bytes) {
    InitOnce();
    const std::filesystem::path file = LinkTarget(name);
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return errno == ENOENT ? STG_E_PATHNOTFOUND : StorageErrorFromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode)) return STG_E_PATHNOTFOUND;
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (exists) {
        // A file without any write permission is write-protected, whoever runs the program;
        // otherwise what counts is whether this user may write it (owner, group, ACLs, a
        // read-only mount), not whether the folder lets the name be replaced.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return STG_E_ACCESSDENIED;
        if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
            return StorageErrorFromErrno(errno);
        }
    }

    std::vector<uint8_t> image;
    if (HRESULT hr = BuildImage(streamName, bytes, image); FAILED(hr)) return hr;
    bool refused = false;
    const HRESULT hr = ReplaceThroughTemporary(file, image, exists ? &st : nullptr, refused);
    if (FAILED(hr) && refused && exists) return OverwriteInPlace(file, image);
    return hr;
}

HRESULT CompoundFile::ReadStream(const std::filesystem::path& file, const std::string& streamName,
                                 std::vector<uint8_t>& bytes, bool& found) {
    bytes.clear();
    found = false;
    OpenedRoot opened;
    if (HRESULT hr = OpenRoot(file, opened); FAILED(hr)) return hr;
    GPtr<GsfInput> stream = ChildByName(opened.root.get(), streamName);
    // Missing, or a storage of that name rather than a stream.
    bool isStorage = stream && GSF_IS_INFILE(stream.get()) &&
                     gsf_infile_num_children(GSF_INFILE(stream.get())) >= 0;
    if (!stream || isStorage) return S_OK;
    found = true;
    gsf_off_t size = gsf_input_size(stream.get());
    // The stream's real size bounds the read; the content's own claims never do.
    const gsf_off_t fileSize = gsf_input_size(opened.input.get());
    if (size < 0 || size > fileSize) return S_OK;
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !gsf_input_read(stream.get(), static_cast<size_t>(size), bytes.data())) {
        bytes.clear();
    }
    return S_OK;
}

HRESULT CompoundFile::ListRoot(const std::filesystem::path& file, std::vector<std::string>& names) {
    names.clear();
    OpenedRoot opened;
    if (HRESULT hr = OpenRoot(file, opened); FAILED(hr)) return hr;
    int count = gsf_infile_num_children(opened.root.get());
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(opened.root.get(), i);
        names.emplace_back(name ? name : "");
    }
    return S_OK;
}

}  // namespace tarnel
