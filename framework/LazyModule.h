#pragma once
// A module of this program (a shared object of ours) opened with dlopen the first time it is
// needed, so that what it links (FFmpeg, libcurl) costs nothing to the jobs that never use it.
// The module is looked for where the installation puts it (relative to the running program)
// and then at its path in the build tree, fixed when the program was built.
#include <mutex>
#include <string>

namespace tarnel {

class LazyModule {
public:
    // fileName: the module's file name; buildPath: its full path in the build tree; entrySymbol:
    // an extern "C" function of the module returning its entry table.
    LazyModule(std::string fileName, std::string buildPath, std::string entrySymbol);
    ~LazyModule();  // the module stays loaded until the process ends
    LazyModule(const LazyModule&) = delete;
    LazyModule& operator=(const LazyModule&) = delete;

    // The module's entry table, after opening it on the first call (any thread); null when it
    // cannot be opened, and then the reason is written once to standard error.
    const void* Entries();
    // True once the module was opened (for tests and diagnostics; does not open it).
    bool Loaded() const;

private:
    void Open();

    const std::string fileName_;
    const std::string buildPath_;
    const std::string entrySymbol_;
    std::once_flag once_;
    const void* entries_ = nullptr;  // written once under once_
    mutable std::mutex loadedMutex_;
    bool loaded_ = false;  // guarded by loadedMutex_ (set once, inside once_)
};

}  // namespace tarnel
