#pragma once
// A named marker of a running instance of the desktop program: a lock file named after the
// marker in the user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder). Nothing in
// the program reads it; a second instance finds it held and runs normally. Released when the
// object goes (or the process ends).
#include <filesystem>

namespace tarnel {

inline constexpr char kInstanceMarkerName[] = "{5C1E7A90-3B2D-4f61-9E08-A7D4C2B61F3E}";
inline constexpr char kMainWindowClassName[] = "QVR{5C1E7A90-3B2D-4f61-9E08-A7D4C2B61F3E}";

class InstanceMarker {
public:
    InstanceMarker() = default;
    ~InstanceMarker();
    InstanceMarker(const InstanceMarker&) = delete;
    InstanceMarker& operator=(const InstanceMarker&) = delete;

    // Takes the marker; false (and nothing held) when another instance holds it or it cannot
    // be created. Either way start-up goes on.
    bool Acquire();
    bool Held() const { return fd_ >= 0; }
    static std::filesystem::path MarkerPath();

private:
    int fd_ = -1;
};

}  // namespace tarnel
