#include "framework/LazyModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#ifndef TARNEL_MODULE_INSTALL_DIR
#define TARNEL_MODULE_INSTALL_DIR "../lib/tarnel-audio-converter"
#endif

namespace tarnel {

LazyModule::LazyModule(std::string fileName, std::string buildPath, std::string entrySymbol)
    : fileName_(std::move(fileName)),
      buildPath_(std::move(buildPath)),
      entrySymbol_(std::move(entrySymbol)) {}

LazyModule::~LazyModule() = default;

const void* LazyModule::Entries() {
    std::call_once(once_, [this] { Open(); });
    return entries_;
}

bool LazyModule::Loaded() const {
    std::lock_guard lock(loadedMutex_);
    return loaded_;
}

void LazyModule::Open() {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back(self.parent_path() / TARNEL_MODULE_INSTALL_DIR / fileName_);
    if (!buildPath_.empty()) candidates.push_back(buildPath_);
    std::string reason = "not found";
    for (const auto& path : candidates) {
        if (!fs::exists(path, error)) continue;
        // RTLD_LOCAL: the module's FFmpeg or libcurl symbols never take the place of ours.
        // RTLD_LAZY: binding every call site of the module and of the libraries it brings (SQLite
        // alone has over a thousand) costs more than a short job runs; the entry tables are data
        // and bound at once, so a library without a function the table names is still refused
        // here.
        void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            const char* message = ::dlerror();
            reason = message ? message : "cannot be opened";
            continue;
        }
        using EntryFunction = const void* (*)();
        auto entry = reinterpret_cast<EntryFunction>(::dlsym(handle, entrySymbol_.c_str()));
        if (!entry) {
            reason = path.string() + ": no " + entrySymbol_;
            continue;  // the handle stays open: unloading code of ours is never worth the risk
        }
        entries_ = entry();
        std::lock_guard lock(loadedMutex_);
        loaded_ = true;
        return;
    }
    std::fprintf(stderr, "tarnel: cannot load %s: %s\n", fileName_.c_str(), reason.c_str());
}

}  // namespace tarnel
