#include "ui/RecentFileList.h"

#include <algorithm>

#include "settings/SettingsStore.h"

namespace tarnel::ui {

namespace {
constexpr size_t kMenuPathLength = 60;
}

std::vector<std::string> RecentFileList::Files() const {
    return SettingsStore().ReadRecentFiles();
}

void RecentFileList::Add(const std::string& path) {
    std::vector<std::string> files = Files();
    std::erase(files, path);
    files.insert(files.begin(), path);
    if (files.size() > kSize) files.resize(kSize);
    (void)SettingsStore().WriteRecentFiles(files);  // a failed write leaves the old list
}

void RecentFileList::Remove(const std::string& path) {
    std::vector<std::string> files = Files();
    if (std::erase(files, path) > 0) (void)SettingsStore().WriteRecentFiles(files);
}

std::string RecentFileList::MenuText(int index, const std::string& path) {
    std::string shown = path;
    if (shown.size() > kMenuPathLength) {
        // Keep the start of the path and the whole file name where possible.
        const size_t slash = shown.find_last_of('/');
        const std::string name = slash == std::string::npos ? shown : shown.substr(slash);
        const size_t head =
            kMenuPathLength > name.size() + 3 ? kMenuPathLength - name.size() - 3 : 0;
        shown = shown.substr(0, head) + "..." + name;
    }
    // A literal "&" in the path must not become a mnemonic.
    std::string escaped;
    for (char c : shown) {
        escaped += c;
        if (c == '&') escaped += '&';
    }
    return "&" + std::to_string(index + 1) + " " + escaped;
}

}  // namespace tarnel::ui
