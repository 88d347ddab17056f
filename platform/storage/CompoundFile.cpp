#include "platform/storage/CompoundFile.h"

#include <fcntl.h>
#include <gsf/gsf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

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

// Checks that `file` can be opened for reading and holds a compound file.
HRESULT CheckReadable(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return MissingPathError(file, errno);
    uint8_t head[8] = {};
    ssize_t n = ::read(fd, head, sizeof head);
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) return STG_E_ACCESSDENIED;
    // A file that exists but is not a compound file.
    if (n != 8 || std::memcmp(head, kSignature, 8) != 0) return STG_E_FILEALREADYEXISTS;
    return S_OK;
}

// Opens the root storage of a compound file for reading.
HRESULT OpenRoot(const std::filesystem::path& file, GPtr<GsfInfile>& root) {
    InitOnce();
    if (HRESULT hr = CheckReadable(file); FAILED(hr)) return hr;
    GError* error = nullptr;
    GPtr<GsfInput> input(gsf_input_stdio_new(file.c_str(), &error));
    std::unique_ptr<GError, ErrorFree> inputError(error);
    if (!input) return STG_E_ACCESSDENIED;
    error = nullptr;
    root.reset(gsf_infile_msole_new(input.get(), &error));
    std::unique_ptr<GError, ErrorFree> rootError(error);
    // The signature matched but the structure is damaged: not a valid compound file either.
    if (!root) return STG_E_FILEALREADYEXISTS;
    return S_OK;
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& file) {
    std::random_device random;
    return file.parent_path() /
           ("." + file.filename().string() + ".tmp-" + std::to_string(random()));
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

HRESULT CompoundFile::WriteSingleStream(const std::filesystem::path& file,
                                        const std::string& streamName,
                                        const std::vector<uint8_t>& bytes) {
    InitOnce();
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return errno == ENOENT ? STG_E_PATHNOTFOUND : StorageErrorFromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode)) return STG_E_PATHNOTFOUND;
    if (::stat(file.c_str(), &st) == 0) {
        // A file without any write permission is write-protected, whoever runs the program.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return STG_E_ACCESSDENIED;
    }

    const std::filesystem::path temporary = TemporaryBeside(file);
    struct RemoveOnFailure {
        const std::filesystem::path& path;
        bool keep = false;
        ~RemoveOnFailure() {
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{temporary};

    {
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return StorageErrorFromErrno(errno);
        ::close(fd);
    }
    GError* error = nullptr;
    GPtr<GsfOutput> output(gsf_output_stdio_new(temporary.c_str(), &error));
    std::unique_ptr<GError, ErrorFree> outputError(error);
    if (!output) return STG_E_ACCESSDENIED;
    GPtr<GsfOutfile> root(gsf_outfile_msole_new(output.get()));
    if (!root) return STG_E_INSUFFICIENTMEMORY;
    GPtr<GsfOutput> stream(gsf_outfile_new_child(root.get(), streamName.c_str(), FALSE));
    if (!stream) return STG_E_WRITEFAULT;
    bool written = gsf_output_write(stream.get(), bytes.size(), bytes.data());
    bool closed = gsf_output_close(stream.get());
    stream.reset();
    closed = gsf_output_close(GSF_OUTPUT(root.get())) && closed;
    root.reset();
    // Closing the compound file usually closes its sink too.
    if (!gsf_output_is_closed(output.get())) closed = gsf_output_close(output.get()) && closed;
    output.reset();
    if (!written || !closed) return STG_E_WRITEFAULT;

    // Make the content durable before it replaces the old file.
    int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return StorageErrorFromErrno(errno);
    bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced) return STG_E_WRITEFAULT;
    if (::rename(temporary.c_str(), file.c_str()) != 0) return StorageErrorFromErrno(errno);
    cleanup.keep = true;
    return S_OK;
}

HRESULT CompoundFile::ReadStream(const std::filesystem::path& file, const std::string& streamName,
                                 std::vector<uint8_t>& bytes, bool& found) {
    bytes.clear();
    found = false;
    GPtr<GsfInfile> root;
    if (HRESULT hr = OpenRoot(file, root); FAILED(hr)) return hr;
    GPtr<GsfInput> stream(gsf_infile_child_by_name(root.get(), streamName.c_str()));
    // Missing, or a storage of that name rather than a stream.
    bool isStorage = stream && GSF_IS_INFILE(stream.get()) &&
                     gsf_infile_num_children(GSF_INFILE(stream.get())) >= 0;
    if (!stream || isStorage) return S_OK;
    found = true;
    gsf_off_t size = gsf_input_size(stream.get());
    // The stream's real size bounds the read; the content's own claims never do.
    gsf_off_t fileSize = static_cast<gsf_off_t>(std::filesystem::file_size(file));
    if (size < 0 || size > fileSize) return S_OK;
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !gsf_input_read(stream.get(), static_cast<size_t>(size), bytes.data())) {
        bytes.clear();
    }
    return S_OK;
}

HRESULT CompoundFile::ListRoot(const std::filesystem::path& file, std::vector<std::string>& names) {
    names.clear();
    GPtr<GsfInfile> root;
    if (HRESULT hr = OpenRoot(file, root); FAILED(hr)) return hr;
    int count = gsf_infile_num_children(root.get());
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(root.get(), i);
        names.emplace_back(name ? name : "");
    }
    return S_OK;
}

}  // namespace tarnel
