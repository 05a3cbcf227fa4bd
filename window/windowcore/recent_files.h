// The File menu's list of the nine most recent script files. Every change is
// written at once to the settings (group "FileInfo", keys File1..File9) and
// shown by the face.
#pragma once

#include "windowcore/settings_port.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace talvex {

class RecentFiles {
public:
    static constexpr int kHistoryMax = 9;
    using Show = std::function<void(const std::vector<std::string>& paths, bool separator)>;

    RecentFiles(SettingsPort& settings, Show show);

    // Start-up fill: the stored slots; the separator only when slot 1 holds
    // a file. Returns the path of slot 1 ("" when empty).
    std::string FillAtStart();
    // `path` goes on top, every entry moves down one and the ninth is dropped.
    void Add(const std::string& path);
    // The path of slot `index` (1..9), "" when the slot is not in use.
    std::string PathOf(int index) const;
    // Moves slot `index` to the top; the slots above it move down one, an
    // empty one staying empty.
    void MoveToTop(int index);
    // Removes slot `index` and closes the gap.
    void Remove(int index);

private:
    // A slot with a path, or cleared (a blank entry would open "File not found ''").
    void SetEntry(int index, const std::string& path);
    std::string& Slot(int index) { return slots_[static_cast<std::size_t>(index - 1)]; }
    void Shown() const;

    SettingsPort& settings_;
    Show show_;
    std::array<std::string, kHistoryMax> slots_;
    bool separator_ = false;
};

} // namespace talvex
