#pragma once
// The four most recently used session files, most recent first, kept under "Recent File List"
// as "File1".."File4". Read from and written to the settings at once on every change, so two
// running instances see each other's additions at their next change.
#include <string>
#include <vector>

namespace tarnel::ui {

class RecentFileList {
public:
    static constexpr int kSize = 4;

    // The stored list.
    std::vector<std::string> Files() const;
    // Puts the path first (moving it when listed already) and stores the list.
    void Add(const std::string& path);
    // Takes the path out (a recent file that could not be opened) and stores the list.
    void Remove(const std::string& path);
    // The menu text of entry `index` (0-based): "&1 name" with the path shortened in the
    // middle when it is long.
    static std::string MenuText(int index, const std::string& path);
};

}  // namespace tarnel::ui
