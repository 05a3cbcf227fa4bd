#include "windowcore/recent_files.h"

#include <utility>

namespace talvex {

namespace {

constexpr std::string_view kGroup = "FileInfo";

std::string Key(int index) {
    return "File" + std::to_string(index);
}

} // namespace

RecentFiles::RecentFiles(SettingsPort& settings, Show show)
    : settings_(settings), show_(std::move(show)) {}

void RecentFiles::Shown() const {
    if (show_) show_(std::vector<std::string>(slots_.begin(), slots_.end()), separator_);
}

std::string RecentFiles::FillAtStart() {
    // Slots stand alone: an empty one stays hidden even before filled ones.
    for (int i = 1; i <= kHistoryMax; ++i)
        Slot(i) = settings_.Read(kGroup, Key(i));
    if (!slots_[0].empty()) separator_ = true;
    Shown();
    return slots_[0];
}

std::string RecentFiles::PathOf(int index) const {
    if (index < 1 || index > kHistoryMax) return {};
    return slots_[static_cast<std::size_t>(index - 1)];
}

void RecentFiles::SetEntry(int index, const std::string& path) {
    Slot(index) = path;
    settings_.Write(kGroup, Key(index), path);
}

void RecentFiles::Add(const std::string& path) {
    for (int i = kHistoryMax; i >= 2; --i)
        if (!Slot(i - 1).empty()) SetEntry(i, Slot(i - 1));
    SetEntry(1, path);
    Shown();
}

void RecentFiles::MoveToTop(int index) {
    if (index < 1 || index > kHistoryMax) return;
    const std::string path = Slot(index);
    // An empty slot moves down as an empty slot.
    for (int i = index; i >= 2; --i)
        SetEntry(i, Slot(i - 1));
    SetEntry(1, path);
    Shown();
}

void RecentFiles::Remove(int index) {
    if (index < 1 || index > kHistoryMax) return;
    for (int i = index; i < kHistoryMax; ++i) {
        if (Slot(i + 1).empty()) {
            // The rest was empty already.
            SetEntry(i, {});
            Shown();
            return;
        }
        SetEntry(i, Slot(i + 1));
    }
    SetEntry(kHistoryMax, {});
    Shown();
}

} // namespace talvex
