#include "app/InstanceMarker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tarnel {

InstanceMarker::~InstanceMarker() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::filesystem::path InstanceMarker::MarkerPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path folder;
    if (runtime && *runtime) {
        folder = runtime;
    } else {
        std::error_code ec;
        folder = std::filesystem::temp_directory_path(ec);
        if (ec) folder = "/tmp";
    }
    // One marker per user, as the original's session namespace is per user.
    return folder / (std::string(kInstanceMarkerName) + "-" + std::to_string(::getuid()));
}

bool InstanceMarker::Acquire() {
    if (fd_ >= 0) return true;
    const int fd = ::open(MarkerPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);  // another instance holds it
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace tarnel
